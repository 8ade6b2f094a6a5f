#pragma once

#include <string>

#include "base/RebootCount.h"

// A component whose installed check never turns true would ask for a restart
// at every logon. The resume command line therefore counts the restarts in a
// row that one component asked for; the same component asking again after
// the restarts it may have ends the run. A chain of components that each ask
// once (several updates in a row) restarts once for each.
//
// The run's first restart keeps the resume command line as it always was,
// without a count. A start with /Reboot alone therefore follows one restart
// of a component not named, which counts as the one that asks first.

// Restarts in a row that one component may ask for; its next request ends the run.
const int MaxConsecutiveReboots = 3;

// The restarts in a row before this start, from its command line.
RebootCount RebootsBeforeThisStart();
// The count once the component at position component (from 1) of the
// configuration at position configuration (from 1) restarts after previous.
RebootCount NextReboot(const RebootCount& previous, int configuration, int component);
// The resume command line's count after previous: empty for a run's first restart.
std::wstring ResumeRebootCount(const RebootCount& previous, const RebootCount& next);
