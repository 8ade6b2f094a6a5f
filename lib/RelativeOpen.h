#pragma once

#include <windows.h>

#include <string>

#include "lib/Handles.h"

namespace Kestlib {

// How NtCreateFile treats an existing entry.
enum class OpenMode : ULONG { OpenExisting = 1, CreateNew = 2, OpenOrCreate = 3 };
// What the entry must be.
enum class EntryKind : ULONG { Any = 0, Folder = 0x1, File = 0x40 };

struct RelativeOpenResult {
    FileHandle handle;
    DWORD error = ERROR_SUCCESS;  // the platform error when the handle is invalid
    bool created = false;
};

// Opens or creates the entry `name` of the folder held by `folder` (one name,
// no separators), or, with no folder, the full path `name`. A link at that
// name is opened as itself, never followed, so no link planted there can send
// the operation elsewhere. `security` (may be null) applies to what is created.
RelativeOpenResult OpenRelative(HANDLE folder, const std::wstring& name, ACCESS_MASK access, DWORD share,
                                OpenMode mode, EntryKind kind, PSECURITY_DESCRIPTOR security = nullptr);

// The full path the platform makes of a path; empty when it cannot.
std::wstring FullPathName(const std::wstring& path);

// One entry name: not empty, no separator, not "." or "..", no stream.
bool IsSingleName(const std::wstring& name);

}  // namespace Kestlib
