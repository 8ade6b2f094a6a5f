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

// What keeps a stored name from being unpacked below a folder.
enum class NameFault {
    None,
    // Absolute, with a drive or a UNC prefix, or with dot-only parts ("..", "...").
    LeadsOutside,
    // A part the platform takes for a device (NUL, COM1, "con.txt"...).
    DeviceName,
    // Empty, with an empty part, a stream colon or characters no file name may hold.
    InvalidName,
};

NameFault CheckRelativeName(const std::wstring& name, RelativeName& result);

// True when CheckRelativeName finds no fault.
bool SplitRelativeName(const std::wstring& name, RelativeName& result);

// A relative name without any folder part (a next cabinet of a set).
bool IsPlainFileName(const std::wstring& name);

}  // namespace Cabinet
