#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/RebootCount.h"
#include "lib/ProcessObject.h"

// The options of the command line. Parsing fills this object and, directly,
// the log path, the UI level and the reboot launcher.
class InstallerCommandLineInfo : public Kestlib::ProcessObject<InstallerCommandLineInfo> {
public:
    // Which option waits for its value.
    enum Pending : int {
        PendingNone = 0,
        PendingLogFile = 1,
        PendingConfigFile = 2,
        PendingLauncher = 3,
        PendingLauncherArgs = 4,
        PendingCompleteCommandArgs = 5,
        PendingComponentArgs = 6,
        PendingRebootCount = 7,
        PendingResultFile = 8,
    };

    // The arguments that follow the program name, already split by the
    // platform. Stops at the first bad argument; those before it took effect.
    void Parse(const std::vector<std::wstring>& arguments);
    void ParseArgument(const std::wstring& argument);

    std::wstring configFile;
    std::wstring logFile;
    std::map<std::wstring, std::wstring> componentArgs;
    int pending = PendingNone;
    std::wstring completeCommandArgs;
    bool extractCab = false;
    bool displayCab = false;
    bool help = false;
    bool reboot = false;
    bool displayConfig = false;
    // Never restart the machine nor ask about it; a restart a component asks
    // for is left to the caller, and the exit code says so (3010).
    bool noRestart = false;
    // The restarts in a row this start follows, written by the program into
    // the resume command line.
    RebootCount rebootCount;
    // Where the run's outcome is written as JSON at its end (variables
    // expanded, as for the log file); empty: nowhere.
    std::wstring resultFile;

private:
    void ParseOption(const std::wstring& name);
    void ParseValue(const std::wstring& value);
    void ParseComponentArgument(const std::wstring& argument);
};

// This process's arguments after the program name, split by the platform's rules.
std::vector<std::wstring> ProcessArguments();
