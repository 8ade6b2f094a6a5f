// Ends with the exit code given as the first argument (decimal, or hex with 0x),
// so that the full 32-bit range of exit codes can be produced.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    UINT code = argc > 1 ? static_cast<UINT>(std::strtoul(argv[1], nullptr, 0)) : 0;
    ::ExitProcess(code);
}
