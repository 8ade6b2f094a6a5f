#include "lib/SafeDelete.h"

#include <windows.h>
#include <shlobj.h>

#include <cwchar>

#include "lib/FileOps.h"
#include "lib/RelativeOpen.h"

namespace Kestlib {

namespace {

// The full path without trailing backslashes; empty when it has none.
std::wstring Normalised(const std::wstring& path) {
    if (path.empty()) return std::wstring();
    return TrimRight(FullPathName(path), L"\\");
}

// "C:" once the backslash is gone, or "\\server\share".
bool IsRoot(const std::wstring& full) {
    if (full.size() <= 2) return true;
    if (full.compare(0, 2, L"\\\\") != 0) return false;
    size_t share = full.find(L'\\', 2);
    return share == std::wstring::npos || full.find(L'\\', share + 1) == std::wstring::npos;
}

std::wstring ProfileDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    if (::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK)
        return std::wstring();
    return buffer;
}

}  // namespace

bool IsRemovableFolder(const std::wstring& path, const StringList& protectedFolders) {
    std::wstring full = Normalised(path);
    if (full.empty() || IsRoot(full)) return false;
    for (const std::wstring& folder : protectedFolders) {
        std::wstring other = Normalised(folder);
        if (!other.empty() && _wcsicmp(full.c_str(), other.c_str()) == 0) return false;
    }
    return true;
}

bool IsRemovableExtractionFolder(const std::wstring& path) {
    return IsRemovableFolder(path, {GetWindowsDirectory(), GetSystemDirectory(), ProfileDirectory(),
                                    GetTemporaryDirectory()});
}

}  // namespace Kestlib
