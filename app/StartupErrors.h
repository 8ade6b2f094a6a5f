#pragma once

#include <functional>

// Runs start-up's steps under its three error handlers: the log held by
// another instance (the already-running message, nothing logged), a standard
// exception (its text logged) and anything else (a fixed line logged).
// Returns false when one of them caught something: the run has failed,
// whatever return code its steps had reached.
bool RunStartupSteps(const std::function<void()>& steps);
