#pragma once

#include <string>

#include "lib/StringUtils.h"

namespace Kestlib {

// Whether a folder may be deleted with everything in it as an extraction
// folder: never a drive or share root, nor one of the protected folders
// (full paths compared without regard to case or trailing backslashes).
bool IsRemovableFolder(const std::wstring& path, const StringList& protectedFolders);
// The same against the Windows folder, the system folder, the user's profile
// folder and the temporary folder itself.
bool IsRemovableExtractionFolder(const std::wstring& path);

}  // namespace Kestlib
