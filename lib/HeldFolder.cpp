#include "lib/HeldFolder.h"

#include <aclapi.h>

#include <utility>
#include <vector>

#include "lib/FileOps.h"
#include "lib/FolderSecurity.h"
#include "lib/RelativeOpen.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

// Listing and entering; without delete access, so that others can still make
// it their current folder, and without sharing delete, so that nobody can
// rename, move or delete it.
const ACCESS_MASK kHoldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL;
const DWORD kHoldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What removing an entry needs: listing a folder's own entries, clearing a
// read-only attribute, deleting.
const ACCESS_MASK kRemoveAccess = DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

bool IsFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

DWORD AttributesOf(HANDLE handle) {
    FILE_BASIC_INFO basic = {};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic))) return INVALID_FILE_ATTRIBUTES;
    return basic.FileAttributes;
}

// A read-only entry refuses to be deleted until the attribute is gone.
bool DeleteByHandle(HANDLE handle) {
    FILE_BASIC_INFO basic = {};
    if (::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof(basic)) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof(basic));
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition)) != FALSE;
}

// Frees the entry's name at once: a deleted entry keeps its name for as long
// as another handle holds the file (under another of its names, too). The
// new name is given in full: the held folder's path cannot change.
void MoveAside(HANDLE entry, const std::wstring& folder) {
    static LONG counter = 0;
    std::wstring name = L"\\??\\" + folder + L"\\.removed-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                        std::to_wstring(::InterlockedIncrement(&counter));
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    name.copy(rename->FileName, name.size());
    ::SetFileInformationByHandle(entry, FileRenameInfo, rename, static_cast<DWORD>(buffer.size()));
}

// The names of a folder's entries, read through its handle.
std::vector<std::wstring> EntryNames(HANDLE folder) {
    std::vector<std::wstring> names;
    std::vector<unsigned char> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size()))) {
        kind = FileIdBothDirectoryInfo;
        size_t offset = 0;
        for (;;) {
            auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer.data() + offset);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") names.push_back(name);
            if (entry->NextEntryOffset == 0) break;
            offset += entry->NextEntryOffset;
        }
    }
    return names;
}

bool RemoveInside(HANDLE folder) {
    bool result = true;
    for (const std::wstring& name : EntryNames(folder)) {
        RelativeOpenResult entry =
            OpenRelative(folder, name, kRemoveAccess, kShareAll, OpenMode::OpenExisting, EntryKind::Any);
        if (!entry.handle) {
            result = false;
            continue;
        }
        // The handle's own answer, not the listing's: the entry may have been replaced since.
        if (IsFolder(AttributesOf(entry.handle.Get()))) result = RemoveInside(entry.handle.Get()) && result;
        result = DeleteByHandle(entry.handle.Get()) && result;
    }
    return result;
}

}  // namespace

HeldFolder::HeldFolder(FileHandle handle, std::wstring path, bool created)
    : m_handle(std::move(handle)), m_path(TrimRight(path, L"\\")), m_created(created) {}

std::wstring HeldFolder::ChildPath(const std::wstring& name) const { return m_path + L"\\" + name; }

HeldFolder HeldFolder::Open(const std::wstring& path) {
    RelativeOpenResult opened =
        OpenRelative(nullptr, path, kHoldAccess, kHoldShare, OpenMode::OpenExisting, EntryKind::Folder);
    if (!opened.handle) ThrowSystemError(static_cast<long>(opened.error), L"Error opening '" + path + L"'");
    if (!IsFolder(AttributesOf(opened.handle.Get())))
        ThrowError(L"Error opening '" + path + L"': it is a link (reparse point)");
    return HeldFolder(std::move(opened.handle), path, false);
}

HeldFolder HeldFolder::Create(const std::wstring& path, const SecurityDescriptor* security) {
    std::wstring folder = TrimRight(path, L"\\");
    // The folders above are where the caller chose to be; only the held one must be ours.
    size_t cut = folder.find_last_of(L'\\');
    if (cut != std::wstring::npos && cut > 0)
        CreateDirectories(folder.substr(0, cut), security);
    RelativeOpenResult opened = OpenRelative(nullptr, folder, kHoldAccess, kHoldShare, OpenMode::OpenOrCreate,
                                             EntryKind::Folder, security ? security->Get() : nullptr);
    if (!opened.handle) ThrowSystemError(static_cast<long>(opened.error), L"Error in CreateDirectory: " + folder);
    if (!IsFolder(AttributesOf(opened.handle.Get())))
        ThrowError(L"Error in CreateDirectory: " + folder + L": it is a link (reparse point)");
    return HeldFolder(std::move(opened.handle), folder, opened.created);
}

HeldFolder HeldFolder::Child(const std::wstring& name, const SecurityDescriptor* security) const {
    std::wstring path = ChildPath(name);
    RelativeOpenResult opened = OpenRelative(Get(), name, kHoldAccess, kHoldShare, OpenMode::OpenOrCreate,
                                             EntryKind::Folder, security ? security->Get() : nullptr);
    if (!opened.handle) ThrowSystemError(static_cast<long>(opened.error), L"Error in CreateDirectory: " + path);
    if (!IsFolder(AttributesOf(opened.handle.Get())))
        ThrowError(L"Error in CreateDirectory: " + path + L": it is a link (reparse point)");
    return HeldFolder(std::move(opened.handle), path, opened.created);
}

HeldFile HeldFolder::NewFile(const std::wstring& name) const {
    std::wstring path = ChildPath(name);
    RemoveEntry(name);
    RelativeOpenResult created = OpenRelative(Get(), name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                              OpenMode::CreateNew, EntryKind::File);
    if (!created.handle) ThrowSystemError(static_cast<long>(created.error), L"Error creating '" + path + L"'");
    return HeldFile(std::move(created.handle), path, name);
}

bool HeldFolder::RemoveEntry(const std::wstring& name) const {
    RelativeOpenResult entry =
        OpenRelative(Get(), name, kRemoveAccess, kShareAll, OpenMode::OpenExisting, EntryKind::Any);
    if (!entry.handle) return false;
    MoveAside(entry.handle.Get(), m_path);
    return DeleteByHandle(entry.handle.Get());
}

bool HeldFolder::RemoveContents() const { return RemoveInside(Get()); }

// The hold refuses delete access, also to this process: the folder is taken
// again through its handle, first for its attributes alone, which the hold
// does not refuse, then, once the hold has ended, for deleting.
bool HeldFolder::Remove() {
    bool result = RemoveContents();
    FileHandle same(::ReOpenFile(Get(), FILE_READ_ATTRIBUTES, kShareAll, FILE_FLAG_BACKUP_SEMANTICS));
    m_handle.Reset();
    if (!same) return false;
    FileHandle deleting(::ReOpenFile(same.Get(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT));
    return deleting && DeleteByHandle(deleting.Get()) && result;
}

bool HeldFolder::RemoveTree(const std::wstring& path) {
    RelativeOpenResult folder =
        OpenRelative(nullptr, path, kRemoveAccess, kShareAll, OpenMode::OpenExisting, EntryKind::Any);
    if (!folder.handle) return folder.error == ERROR_FILE_NOT_FOUND || folder.error == ERROR_PATH_NOT_FOUND;
    bool result = !IsFolder(AttributesOf(folder.handle.Get())) || RemoveInside(folder.handle.Get());
    return DeleteByHandle(folder.handle.Get()) && result;
}

void HeldFolder::TakeOver(const SecurityDescriptor& security) const {
    FileHandle changing(::ReOpenFile(Get(), WRITE_DAC | WRITE_OWNER | READ_CONTROL, kShareAll, FILE_FLAG_BACKUP_SEMANTICS));
    if (!changing) ThrowLastError(L"Error taking over '" + m_path + L"'");
    PSID owner = nullptr;
    PACL access = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorOwner(security.Get(), &owner, &defaulted) ||
        !::GetSecurityDescriptorDacl(security.Get(), &present, &access, &defaulted))
        ThrowLastError(L"Error taking over '" + m_path + L"'");
    DWORD error = ::SetSecurityInfo(changing.Get(), SE_FILE_OBJECT,
                                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                        PROTECTED_DACL_SECURITY_INFORMATION,
                                    owner, nullptr, access, nullptr);
    if (error != ERROR_SUCCESS) ThrowSystemError(static_cast<long>(error), L"Error taking over '" + m_path + L"'");
}

}  // namespace Kestlib
