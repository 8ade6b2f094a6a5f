#include "ui/DisplayScale.h"

namespace DisplayScale {

namespace {

// Newer than the oldest Windows the program runs on: looked up at run time
// in user32, which every windowed program has loaded already.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

UINT SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : DefaultDpi;
}

}  // namespace

UINT WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow && window ? getDpiForWindow(window) : 0;
    return dpi ? dpi : SystemDpi();
}

int Scale(int pixels, UINT dpi) { return ::MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(DefaultDpi)); }

int SystemMetric(int index, UINT dpi) {
    using GetSystemMetricsForDpiFunction = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFunction>("GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi) : ::GetSystemMetrics(index);
}

}  // namespace DisplayScale
