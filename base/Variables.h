#pragma once

#include <string>

// Expands, in this order, %ENV% references, #PROGRAM variables and
// @[ROOT\key\value,default] registry references. Each pass scans the result of
// the previous one, so a value from an earlier pass is expanded by the later
// passes, but never by the pass that produced it.
std::wstring ResolveVariables(const std::wstring& text);
