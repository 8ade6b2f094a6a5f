#pragma once

#include <string>

// The display name of the first of the suite's applications that has a
// top-level window open, or empty when none runs. The suite must be closed
// before its setup replaces files those applications hold open.
std::wstring FindRunningSiblingApplication();
