#pragma once

#include <string>
#include <utility>
#include <vector>

#include "lib/FileOps.h"

// The version information of a setup executable: the strings Explorer shows,
// and the numbers of the fixed part taken from FileVersion and ProductVersion.
using VersionStrings = std::vector<std::pair<std::wstring, std::wstring>>;

// Adds KEY=VALUE: one of the common keys (any case), each once; FileVersion
// and ProductVersion must be 1 to 4 numbers from 0 to 65535 with dots between.
// A misuse throws its message.
void AddVersionString(VersionStrings& strings, const std::wstring& assignment);

// The version resource for the strings: US English, Unicode.
Kestlib::ByteVector VersionResource(const VersionStrings& strings);
