// Ends with the exit code given as the first argument (decimal, or hex with 0x),
// so that the full 32-bit range of exit codes can be produced; a second
// argument is a time in milliseconds to run first.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    UINT code = argc > 1 ? static_cast<UINT>(std::strtoul(argv[1], nullptr, 0)) : 0;
    if (argc > 2) ::Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 0)));
    ::ExitProcess(code);
}
