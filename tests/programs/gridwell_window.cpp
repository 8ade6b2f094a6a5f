// Plays a running suite application: a top-level window of the frame class
// the setup looks for, kept until the window is closed, the process is ended,
// the test process that started it ends, or a minute has passed.
// Usage: gridwell_window READY_EVENT OWNER_PID [WINDOW_CLASS]

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "lib/Handles.h"

namespace {

LRESULT CALLBACK FrameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    Kestlib::LocalMemory arguments(argv);
    if (argv == nullptr || argc < 3) return 2;
    const std::wstring windowClass = argc > 3 ? argv[3] : L"GWW32MdiFrame";
    Kestlib::KernelHandle owner(::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10))));
    Kestlib::KernelHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[1]));
    if (!owner || !ready) return 3;

    WNDCLASSW frame = {};
    frame.lpfnWndProc = &FrameProcedure;
    frame.hInstance = ::GetModuleHandleW(nullptr);
    frame.lpszClassName = windowClass.c_str();
    if (!::RegisterClassW(&frame)) return 4;
    HWND window = ::CreateWindowExW(0, windowClass.c_str(), L"Gridwell", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                    nullptr, frame.hInstance, nullptr);
    if (window == nullptr) return 5;
    ::SetEvent(ready.Get());

    const DWORD deadline = ::GetTickCount() + 60000;
    for (;;) {
        const DWORD now = ::GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) break;
        HANDLE waited = owner.Get();
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &waited, FALSE, deadline - now, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return 0;
            ::DispatchMessageW(&message);
        }
    }
    ::DestroyWindow(window);
    return 0;
}
