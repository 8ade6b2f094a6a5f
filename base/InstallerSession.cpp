#include "base/InstallerSession.h"

#include <cwctype>

#include "base/InstallerLog.h"
#include "lib/FileOps.h"
#include "lib/FolderSecurity.h"
#include "lib/Guid.h"
#include "lib/RelativeOpen.h"
#include "lib/StringUtils.h"

namespace {

std::wstring FolderKey(const std::wstring& path) {
    std::wstring full = Kestlib::FullPathName(path);
    std::wstring key = Kestlib::TrimRight(full.empty() ? path : full, L"\\");
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
    return key;
}

}  // namespace

InstallerSession::InstallerSession() : m_guid(Kestlib::CreateGuidString()) {}

void InstallerSession::NewGuid() {
    m_guid = Kestlib::CreateGuidString();
    LOG(L"CreateGuid: " << m_guid);
}

std::wstring InstallerSession::GetCabPath() {
    return m_cabPath.empty() ? GetDefaultCabPath() : m_cabPath;
}

std::wstring InstallerSession::GetDefaultCabPath() {
    if (m_defaultCabPath.empty()) {
        std::wstring path = Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), m_guid);
        HoldFolder(path);
        // Recorded only once the folder exists, so clean-up never sees a folder that was not made.
        m_defaultCabPath = path;
    }
    return m_defaultCabPath;
}

Kestlib::HeldTree& InstallerSession::HoldFolder(const std::wstring& path) {
    if (Kestlib::HeldTree* held = FindHeldFolder(path)) return *held;
    const bool elevated = Kestlib::IsProcessElevated();
    Kestlib::SecurityDescriptor security = elevated ? Kestlib::ProtectedFolderSecurity() : Kestlib::SecurityDescriptor();
    Kestlib::HeldFolder folder = Kestlib::HeldFolder::Create(path, elevated ? &security : nullptr);
    if (elevated) {
        // Whatever the folder allowed before, from now on only administrators change what is in it.
        if (!folder.WasCreated()) folder.TakeOver(security);
        LOG((folder.WasCreated() ? L"Protected folder: " : L"Took over folder: ") << folder.Path() << L" ("
                                                                                 << security.Sddl() << L")");
    }
    auto held = std::make_unique<Kestlib::HeldTree>(std::move(folder), std::move(security), elevated);
    Kestlib::HeldTree& result = *held;
    m_heldFolders[FolderKey(path)] = std::move(held);
    return result;
}

Kestlib::HeldTree* InstallerSession::FindHeldFolder(const std::wstring& path) {
    auto found = m_heldFolders.find(FolderKey(path));
    return found == m_heldFolders.end() ? nullptr : found->second.get();
}

bool InstallerSession::RemoveFolder(const std::wstring& path) {
    auto found = m_heldFolders.find(FolderKey(path));
    if (found == m_heldFolders.end()) return Kestlib::HeldFolder::RemoveTree(path);
    bool removed = found->second->Remove();
    m_heldFolders.erase(found);
    return removed;
}
