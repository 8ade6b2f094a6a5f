#pragma once

#include <string>

// The help text, headed by the program file's name (the part of the path after
// the last backslash, else after the last slash).
std::wstring UsageText(const std::wstring& programPath);

// The help text of this program, named after its own executable.
std::wstring UsageText();
