// Writes its raw command line (UTF-8) to the file named by the environment
// variable PROC_PRINTARGS_OUTPUT, so that the quoting a caller produced can be
// checked exactly. The file appears complete or not at all.
#include <windows.h>

#include <string>

#include "lib/Handles.h"

int main() {
    wchar_t target[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"PROC_PRINTARGS_OUTPUT", target, MAX_PATH) == 0) return 2;
    const wchar_t* commandLine = ::GetCommandLineW();
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, &text[0], bytes, nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes - 1));
    std::wstring partial = std::wstring(target) + L".part";
    {
        Kestlib::FileHandle file(
            ::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (!file) return 3;
        DWORD written = 0;
        if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return 4;
    }
    if (!::MoveFileExW(partial.c_str(), target, MOVEFILE_REPLACE_EXISTING)) return 5;
    return 0;
}
