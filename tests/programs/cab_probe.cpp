// Loads Cabinet.dll for a planted-library test. "extract": the program's way,
// exit 0 when a working library was found; "plain": a bare LoadLibraryW, the
// unsafe way the test compares against.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "payload/Extract.h"

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1 && std::wcscmp(argv[1], L"plain") == 0) return ::LoadLibraryW(L"cabinet.dll") != nullptr ? 0 : 1;
    Cabinet::CExtract extract;
    return extract.Initialise() ? 0 : 2;
}
