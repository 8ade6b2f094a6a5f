#include "base/InstallerCommandLineInfo.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "base/InstallUILevel.h"
#include "base/InstallerLauncher.h"
#include "base/InstallerLog.h"
#include "base/Variables.h"
#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace {

using Info = InstallerCommandLineInfo;

// An option either waits for a value or acts at once.
struct Option {
    const wchar_t* name;
    int pending;
    void (*act)(Info& info);
};

void SetCommandLineLevel(int level) {
    InstallUILevel::Instance().SetCommandLineUILevel(level);
}

const Option Options[] = {
    {L"?", Info::PendingNone, [](Info& info) { info.help = true; }},
    {L"help", Info::PendingNone, [](Info& info) { info.help = true; }},
    // Every run writes its log; the option stays accepted.
    {L"log", Info::PendingNone, [](Info&) {}},
    {L"logfile", Info::PendingLogFile, nullptr},
    {L"configfile", Info::PendingConfigFile, nullptr},
    {L"q", Info::PendingNone, [](Info&) { SetCommandLineLevel(UiLevelSilent); }},
    {L"nq", Info::PendingNone, [](Info&) { SetCommandLineLevel(UiLevelFull); }},
    {L"qb", Info::PendingNone, [](Info&) { SetCommandLineLevel(UiLevelBasic); }},
    {L"launcher", Info::PendingLauncher, nullptr},
    {L"launcherArgs", Info::PendingLauncherArgs, nullptr},
    {L"completeCommandArgs", Info::PendingCompleteCommandArgs, nullptr},
    {L"extractCab", Info::PendingNone, [](Info& info) { info.extractCab = true; }},
    {L"displayCab", Info::PendingNone, [](Info& info) { info.displayCab = true; }},
    {L"displayConfig", Info::PendingNone, [](Info& info) { info.displayConfig = true; }},
    {L"componentArgs", Info::PendingComponentArgs, nullptr},
    {L"reboot", Info::PendingNone, [](Info& info) { info.reboot = true; }},
    {L"norestart", Info::PendingNone, [](Info& info) { info.noRestart = true; }},
    {L"rebootCount", Info::PendingRebootCount, nullptr},
    {L"resultFile", Info::PendingResultFile, nullptr},
};

bool SameOptionName(const std::wstring& typed, const wchar_t* name) {
    return ::_wcsicmp(typed.c_str(), name) == 0;
}

}  // namespace

void InstallerCommandLineInfo::Parse(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) ParseArgument(argument);
}

void InstallerCommandLineInfo::ParseArgument(const std::wstring& argument) {
    if (!argument.empty() && (argument[0] == L'/' || argument[0] == L'-')) {
        ParseOption(argument.substr(1));
    } else {
        ParseValue(argument);
    }
}

void InstallerCommandLineInfo::ParseOption(const std::wstring& name) {
    // An option still waiting for its value loses it.
    pending = PendingNone;
    for (const Option& option : Options) {
        if (!SameOptionName(name, option.name)) continue;
        if (option.act) option.act(*this);
        pending = option.pending;
        return;
    }
    Kestlib::ThrowError(L"Invalid command-line parameter: /" + name);
}

void InstallerCommandLineInfo::ParseValue(const std::wstring& value) {
    switch (pending) {
    case PendingLogFile:
        logFile = value;
        InstallerLog::Instance().SetPath(ResolveVariables(value));
        break;
    case PendingConfigFile:
        configFile = value;
        break;
    case PendingLauncher:
        InstallerLauncher::Instance().SetPath(value);
        break;
    case PendingLauncherArgs:
        InstallerLauncher::Instance().SetArgs(value);
        break;
    case PendingCompleteCommandArgs:
        completeCommandArgs = value;
        break;
    case PendingComponentArgs:
        ParseComponentArgument(value);
        break;
    case PendingRebootCount:
        rebootCount = ParseRebootCount(value);
        break;
    case PendingResultFile:
        resultFile = ResolveVariables(value);
        break;
    default:
        Kestlib::ThrowError(L"Unexpected command-line argument: " + value);
    }
    pending = PendingNone;
}

// "name:value", split at the first colon; the value may hold more colons.
void InstallerCommandLineInfo::ParseComponentArgument(const std::wstring& argument) {
    const std::wstring::size_type colon = argument.find(L':');
    if (colon == std::wstring::npos) Kestlib::ThrowError(L"Invalid component argument: " + argument);
    componentArgs[argument.substr(0, colon)] = argument.substr(colon + 1);
}

std::vector<std::wstring> ProcessArguments() {
    int count = 0;
    LPWSTR* vector = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!vector) Kestlib::ThrowLastError(L"CommandLineToArgvW");
    const Kestlib::LocalMemory holder(reinterpret_cast<HLOCAL>(vector));
    std::vector<std::wstring> arguments;
    for (int i = 1; i < count; ++i) arguments.emplace_back(vector[i]);
    return arguments;
}
