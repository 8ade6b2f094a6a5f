#include "sequence/RebootCommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "base/InstallerLauncher.h"
#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace {

// The arguments are passed on as typed, quotes included: the text after the
// program name, which the platform's split took out of its quotes.
std::wstring TypedArguments(const RebootCommandLineParts& parts) {
    size_t skip = parts.programName.size();
    if (!parts.commandLine.empty() && parts.commandLine[0] == L'"') skip += 2;
    if (skip >= parts.commandLine.size()) return std::wstring();
    return Kestlib::Trim(parts.commandLine.substr(skip), L" \t\n\r");
}

}  // namespace

std::wstring BuildRebootCommandLine(const RebootCommandLineParts& parts, const std::wstring& rebootCmd) {
    std::wstring command =
        L"\"" + (parts.launcherPath.empty() ? parts.programPath : parts.launcherPath) + L"\"";
    if (parts.argumentCount > 1) command += L" " + TypedArguments(parts);
    if (!parts.launcherArgs.empty()) command += L" " + parts.launcherArgs;
    if (!rebootCmd.empty()) command += L" " + rebootCmd;
    if (command.find(L"/Reboot") == std::wstring::npos) command += L" /Reboot";
    return command;
}

std::wstring BuildRebootCommandLine(const std::wstring& rebootCmd) {
    RebootCommandLineParts parts;
    const InstallerLauncher& launcher = InstallerLauncher::Instance();
    parts.launcherPath = launcher.GetPath();
    parts.launcherArgs = launcher.GetArgs();
    parts.programPath = Kestlib::GetModuleFileName();
    parts.commandLine = ::GetCommandLineW();
    int count = 0;
    LPWSTR* vector = ::CommandLineToArgvW(parts.commandLine.c_str(), &count);
    if (!vector) Kestlib::ThrowLastError(L"CommandLineToArgvW");
    const Kestlib::LocalMemory holder(reinterpret_cast<HLOCAL>(vector));
    parts.argumentCount = count;
    if (count > 0) parts.programName = vector[0];
    return BuildRebootCommandLine(parts, rebootCmd);
}
