#pragma once

#include <string>

// How many restarts in a row one component has asked for, as the resume
// command line carries it: "/RebootCount COUNT:CONFIGURATION:COMPONENT", the
// configuration's position in the run's list and the component's position in
// its configuration, both from 1. The program writes it itself (see
// sequence/RestartLoopGuard.h); a component of 0 is one not named (the form
// "COUNT:CONFIGURATION" an earlier build wrote).
struct RebootCount {
    int count = 0;
    int configuration = 0;
    int component = 0;
};

// "COUNT:CONFIGURATION:COMPONENT" or "COUNT:CONFIGURATION", each positive;
// anything else throws.
RebootCount ParseRebootCount(const std::wstring& text);
// "COUNT:CONFIGURATION:COMPONENT".
std::wstring RebootCountText(const RebootCount& count);
