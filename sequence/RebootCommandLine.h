#pragma once

#include <string>

// What the command line that resumes the installation after a reboot is made of.
struct RebootCommandLineParts {
    // The /Launcher path; empty starts the running program again.
    std::wstring launcherPath;
    // The full path of the running program file.
    std::wstring programPath;
    // The process's command line as the platform reports it, and the program
    // name and argument count it splits it into.
    std::wstring commandLine;
    std::wstring programName;
    int argumentCount = 0;
    std::wstring launcherArgs;
    // The restarts in a row ("COUNT:CONFIGURATION"); empty for a first restart.
    std::wstring rebootCount;
};

// The launcher, quoted, then the first run's arguments as typed (without any
// /RebootCount they carried), the launcher arguments, rebootCmd, " /Reboot"
// unless the text already holds it, and " /RebootCount " + the count if any.
std::wstring BuildRebootCommandLine(const RebootCommandLineParts& parts, const std::wstring& rebootCmd);
// The same for this process and its InstallerLauncher.
std::wstring BuildRebootCommandLine(const std::wstring& rebootCmd, const std::wstring& rebootCount);
