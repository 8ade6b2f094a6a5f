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
};

// The launcher, quoted, then the first run's arguments as typed, the launcher
// arguments, rebootCmd and " /Reboot" unless the text already holds it.
std::wstring BuildRebootCommandLine(const RebootCommandLineParts& parts, const std::wstring& rebootCmd);
// The same for this process and its InstallerLauncher.
std::wstring BuildRebootCommandLine(const std::wstring& rebootCmd);
