#pragma once

#include <string>

// Expands, in this order, %ENV% references, #PROGRAM variables and
// @[ROOT\key\value,default] registry references.
std::wstring ResolveVariables(const std::wstring& text);
