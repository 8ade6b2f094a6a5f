#include <windows.h>

#include "app/CBootwrightApp.h"
#include "app/UnicodeLayer.h"
#include "base/InstallerCommandLineInfo.h"
#include "lib/DllSearch.h"
#include "lib/ProgramSearch.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything can load a library: none may come from beside the program.
    Kestlib::RestrictDllSearchToSystemFolder();
    // Nor may a program the platform looks up by a bare name come from the current folder.
    Kestlib::KeepCurrentFolderOutOfProgramSearch();
    if (!LoadUnicodeLayerIfNeeded()) return -1;
    return CBootwrightApp().Run(&ProcessArguments);
}
