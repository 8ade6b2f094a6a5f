#include "lib/FileOps.h"

#include <cwchar>

#include "lib/FolderSecurity.h"
#include "lib/Handles.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

// Prefixes that name no folder of their own and cannot be created: the empty
// start of a rooted or network path, a drive ("C:") and a network server.
bool IsRootPrefix(const std::wstring& path) {
    if (path.empty() || path == L"\\") return true;
    if (path.size() == 2 && path[1] == L':') return true;
    return StartsWith(path, L"\\\\") && path.find(L'\\', 2) == std::wstring::npos;
}

bool IsDotEntry(const wchar_t* name) { return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0; }

// A junction or a directory symbolic link: what it points to is not inside.
bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

std::wstring CreateDirectories(const std::wstring& path) { return CreateDirectories(path, nullptr); }

std::wstring CreateDirectories(const std::wstring& path, const SecurityDescriptor* security) {
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), security ? security->Get() : nullptr, FALSE};
    std::wstring first;
    std::wstring growing;
    bool start = true;
    for (const std::wstring& part : SplitString(path, L"\\")) {
        growing = start ? part : growing + L"\\" + part;
        start = false;
        if (IsRootPrefix(growing) || DirectoryExists(growing)) continue;
        if (!::CreateDirectoryW(growing.c_str(), security ? &attributes : nullptr))
            ThrowLastError(L"Error in CreateDirectory: " + growing);
        if (first.empty()) first = growing;
    }
    return first;
}

bool DeleteDirectory(const std::wstring& path, int flags) {
    if (flags <= 0) ThrowError(L"Missing flags");
    bool result = true;
    std::wstring base = TrimRight(path, L"\\");
    DWORD attributes = ::GetFileAttributesW(base.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes))
        return (flags & DeleteSelf) == 0 || ::RemoveDirectoryW(base.c_str());
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileW((base + L"\\*").c_str(), &data));
    bool found = find.IsValid();
    DWORD error = found ? ERROR_SUCCESS : ::GetLastError();
    while (found && error == ERROR_SUCCESS) {
        if (!IsDotEntry(data.cFileName)) {
            std::wstring entry = base + L"\\" + data.cFileName;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                if (flags & DeleteFiles)
                    ::DeleteFileW(entry.c_str());
                else
                    result = false;
            } else if (IsLink(data.dwFileAttributes)) {
                // Only the link goes, never what it points to.
                if (flags & DeleteRecursive) result = ::RemoveDirectoryW(entry.c_str()) && result;
            } else if (flags & DeleteRecursive) {
                result = DeleteDirectory(entry, flags) && result;
            }
        }
        if (!::FindNextFileW(find.Get(), &data)) error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
        error != ERROR_NO_MORE_FILES)
        ThrowSystemError(static_cast<long>(error), L"Error in FindFirst/NextFile");
    find.Reset();
    if (found && result && (flags & DeleteSelf)) ::RemoveDirectoryW(base.c_str());
    return result;
}

}  // namespace Kestlib
