#pragma once

#include <string>

// How many restarts in a row one configuration of the run has asked for, so
// that a component whose installed check never turns true cannot restart the
// machine at every logon. The count travels on the resume command line as
// "/RebootCount COUNT:CONFIGURATION" (the configuration's position in the
// run's list, from 1). The first restart of a run writes no count: a start
// with /Reboot alone follows one restart of a configuration not named, which
// counts as the one that asks again.
struct RebootCount {
    int count = 0;
    int configuration = 0;
};

// Restarts in a row that one configuration may ask for; the next request ends the run.
const int MaxConsecutiveReboots = 3;

// "COUNT:CONFIGURATION", both positive; anything else throws.
RebootCount ParseRebootCount(const std::wstring& text);
std::wstring RebootCountText(const RebootCount& count);

// The restarts in a row before this start, from its command line.
RebootCount RebootsBeforeThisStart();
// The count once configuration (from 1) restarts the machine after previous.
RebootCount NextReboot(const RebootCount& previous, int configuration);
// The resume command line's count after previous: empty for a run's first restart.
std::wstring ResumeRebootCount(const RebootCount& previous, const RebootCount& next);
