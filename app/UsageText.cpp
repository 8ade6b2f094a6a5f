#include "app/UsageText.h"

#include "lib/FileOps.h"

namespace {

const wchar_t* const OptionLines[] = {
    L" /? or /help : this help screen",
    L" /q : force silent (no UI) mode",
    L" /qb : force basic UI mode",
    L" /nq : force full UI mode",
    L" /Log : enable logging",
    L" /LogFile [path] : specify log file",
    L" /ConfigFile [path] : specify configuration file",
    L" /ExtractCab: extract embedded components",
    L" /DisplayCab: display a list of embedded components",
    L" /DisplayConfig: display a list of configurations",
    L" /ComponentArgs [\"name\":\"value\" ...] : additional component args",
    L" /CompleteCommandArgs [args] : additional complete command",
    L" /Launcher [path] : alternate launcher on reboot",
    L" /LauncherArgs [args] : additional launcher args on reboot",
    L" /norestart : never restart; exit code 3010 when a restart is needed",
    L" /ResultFile [path] : write the run's outcome as JSON",
};

const wchar_t BootstrapperVersion[] = L"1.7.29433.0";

}  // namespace

std::wstring UsageText(const std::wstring& programPath) {
    std::wstring text = L"Usage: " + Kestlib::GetFileName(programPath) + L" [args]\n\n";
    for (const wchar_t* line : OptionLines) {
        text += line;
        text += L'\n';
    }
    text += L"\nBuilt by Bootwright (BWT), version ";
    text += BootstrapperVersion;
    return text;
}

std::wstring UsageText() {
    return UsageText(Kestlib::GetModuleFileName());
}
