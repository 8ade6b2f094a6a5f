#include <windows.h>

#include "app/CBootwrightApp.h"
#include "app/InstallerCommandLineInfo.h"
#include "app/UnicodeLayer.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (!LoadUnicodeLayerIfNeeded()) return -1;
    return CBootwrightApp().Run(ProcessArguments());
}
