#pragma once

#include <functional>

// Runs start-up's steps under its three error handlers: the log held by
// another instance (the already-running message, nothing logged), a standard
// exception (its text logged) and anything else (a fixed line logged).
// Returns false when one of them caught something: the run has failed,
// whatever return code its steps had reached.
bool RunStartupSteps(const std::function<void()>& steps);

// Writes a log line where a failure to write it must not end the process:
// the outcome is decided already, and a log that cannot be written has
// nowhere else to go.
void TryLog(const std::function<void()>& write);
