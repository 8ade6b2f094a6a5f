// The yardstick of the start-up benchmark: a Windows program of the same kind
// as the setup (graphical subsystem, runtimes linked statically) that only
// starts and exits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
