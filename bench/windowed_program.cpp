// The second yardstick of the start-up benchmark: a program with the setup's
// imports (common controls, shell, COM) that initialises the common controls,
// creates one window and exits. What it costs beyond the bare program is the
// platform's share of a windowed program's start.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    HWND window = ::CreateWindowW(L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ::DestroyWindow(window);
    // Never true; keeps the imports the setup has.
    if (::GetTickCount() == 1) {
        ::CoInitialize(nullptr);
        ::ShellExecuteW(nullptr, nullptr, L"", nullptr, nullptr, SW_SHOWNORMAL);
        ::PathFileExistsW(L"");
    }
    return 0;
}
