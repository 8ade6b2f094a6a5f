// A stand-in for a platform DLL (built as cabinet.dll, comctl32.dll, msi.dll,
// version.dll, urlmon.dll, winhttp.dll) planted beside a program: when loaded it appends
// its own path to the file named by BOOTWRIGHT_PLANT_MARK, and exports nothing.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t mark[MAX_PATH];
    wchar_t self[MAX_PATH];
    DWORD markLength = ::GetEnvironmentVariableW(L"BOOTWRIGHT_PLANT_MARK", mark, MAX_PATH);
    DWORD selfLength = ::GetModuleFileNameW(instance, self, MAX_PATH);
    if (markLength == 0 || markLength >= MAX_PATH || selfLength == 0) return TRUE;
    HANDLE file = ::CreateFileW(mark, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return TRUE;
    DWORD written = 0;
    ::WriteFile(file, self, selfLength * sizeof(wchar_t), &written, nullptr);
    ::CloseHandle(file);
    return TRUE;
}
