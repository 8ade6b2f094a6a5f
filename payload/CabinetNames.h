#pragma once

#include <string>

namespace Cabinet {

// A stored name as text: UTF-8 when the cabinet says so (attribute bit 0x80),
// otherwise each byte is one character.
std::wstring DecodeStoredName(const char* stored, bool utf8);

// A stored name split into its relative folder (with a trailing backslash,
// empty for the root) and its file name, both slashes taken as separators.
struct RelativeName {
    std::wstring folder;
    std::wstring file;
};

// False for a name that could end up anywhere but below the folder it is
// unpacked into: empty, absolute, with a drive or stream colon, a UNC prefix,
// empty or dot-only parts ("..", "..."), device names or characters no file
// name may hold.
bool SplitRelativeName(const std::wstring& name, RelativeName& result);

// A relative name without any folder part (a next cabinet of a set).
bool IsPlainFileName(const std::wstring& name);

}  // namespace Cabinet
