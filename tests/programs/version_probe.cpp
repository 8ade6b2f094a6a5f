// The version library's part of the planted-library test, in a program that
// imports nothing but the kernel and the C runtime: under Wine, the window
// library imports version.dll itself, so in any program that loads it a
// version.dll beside the program is loaded before main (on Windows that
// library's imports come from the system folder). Arguments as dll_probe's:
// "restricted" or "unrestricted", then "product" (a file version read
// through the program's code) or "bare" (a load by the bare name).
#include <windows.h>

#include <cwchar>
#include <exception>
#include <string>

#include "lib/DllSearch.h"
#include "lib/Version.h"

namespace {

bool HasArgument(const wchar_t* word) {
    const std::wstring line = ::GetCommandLineW();
    return line.find(std::wstring(L" ") + word) != std::wstring::npos;
}

std::wstring SystemFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length) + L"\\" + name;
}

}  // namespace

int main() {
    if (!HasArgument(L"unrestricted")) Kestlib::RestrictDllSearchToSystemFolder();
    try {
        if (HasArgument(L"bare")) return ::LoadLibraryW(L"version.dll") != nullptr ? 0 : 6;
        if (HasArgument(L"product")) return Kestlib::GetFileVersionString(SystemFile(L"kernel32.dll")).empty() ? 4 : 0;
        return 1;
    } catch (const std::exception&) {
        return 2;
    }
}
