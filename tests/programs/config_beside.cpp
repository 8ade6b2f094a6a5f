// Loads the configurations as a setup with neither a named nor an embedded
// document does, and logs where they came from. Copied into a folder of its
// own with a configuration.xml, so no other test sees that file.
// Usage: config_beside LOG_FILE

#include <windows.h>
#include <shellapi.h>

#include <exception>

#include "app/ConfigFileManager.h"
#include "base/InstallerLog.h"
#include "lib/Handles.h"
#include "lib/TextConversion.h"

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    Kestlib::LocalMemory arguments(argv);
    if (argv == nullptr || argc < 2) return 2;
    InstallerLog::Instance().SetPath(argv[1]);
    try {
        ConfigFileManager manager;
        manager.LoadConfigurations();
        LOG(L"Loaded " << manager.configurations.size() << L" configuration(s) from '"
                       << manager.GetPrimary().GetFilename() << L"'");
        return 0;
    } catch (const std::exception& error) {
        LOG(L"Failed: " << Kestlib::AnsiToWide(error.what()));
        return 1;
    }
}
