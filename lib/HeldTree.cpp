#include "lib/HeldTree.h"

#include <cwctype>
#include <utility>

#include "lib/RelativeOpen.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

std::wstring Comparable(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Two texts of one path compare equal.
std::wstring PathKey(const std::wstring& path) {
    std::wstring full = FullPathName(path);
    return Comparable(full.empty() ? path : full);
}

}  // namespace

HeldTree::HeldTree(HeldFolder root, SecurityDescriptor security, bool takeOver)
    : m_root(std::move(root)), m_security(std::move(security)), m_takeOver(takeOver) {
    m_base = PathKey(m_root.Path());
    if (!m_base.empty() && m_base.back() != L'\\') m_base += L'\\';
}

bool HeldTree::Split(const std::wstring& path, std::wstring& folder, std::wstring& name) const {
    std::wstring full = FullPathName(path);
    if (m_base.empty() || full.size() <= m_base.size() || Comparable(full.substr(0, m_base.size())) != m_base)
        return false;
    std::wstring relative = full.substr(m_base.size());
    size_t cut = relative.find_last_of(L'\\');
    folder = cut == std::wstring::npos ? std::wstring() : relative.substr(0, cut);
    name = cut == std::wstring::npos ? relative : relative.substr(cut + 1);
    return IsSingleName(name);
}

const HeldFolder& HeldTree::FolderOf(const std::wstring& relativeFolder) {
    if (relativeFolder.empty()) return m_root;
    auto found = m_folders.find(Comparable(relativeFolder));
    if (found != m_folders.end()) return found->second;
    size_t cut = relativeFolder.find_last_of(L'\\');
    const HeldFolder& parent = FolderOf(cut == std::wstring::npos ? std::wstring() : relativeFolder.substr(0, cut));
    const SecurityDescriptor* security = m_security.IsValid() ? &m_security : nullptr;
    HeldFolder child = parent.Child(cut == std::wstring::npos ? relativeFolder : relativeFolder.substr(cut + 1),
                                    m_takeOver ? security : nullptr);
    if (!child.WasCreated() && m_takeOver && security) child.TakeOver(*security);
    return m_folders.emplace(Comparable(relativeFolder), std::move(child)).first->second;
}

HeldFile& HeldTree::NewFile(const std::wstring& path) {
    std::wstring folder;
    std::wstring name;
    if (!Split(path, folder, name)) ThrowError(L"Error creating '" + path + L"': outside '" + Path() + L"'");
    const std::wstring key = PathKey(path);
    m_files.erase(key);
    HeldFile file = FolderOf(folder).NewFile(name);
    return m_files[key] = std::move(file);
}

HeldFile* HeldTree::Find(const std::wstring& path) {
    auto found = m_files.find(PathKey(path));
    return found == m_files.end() ? nullptr : &found->second;
}

bool HeldTree::RemoveFile(const std::wstring& path) {
    m_files.erase(PathKey(path));
    std::wstring folder;
    std::wstring name;
    if (!Split(path, folder, name)) return false;
    if (folder.empty()) return m_root.RemoveEntry(name);
    auto found = m_folders.find(Comparable(folder));
    return found != m_folders.end() && found->second.RemoveEntry(name);
}

bool HeldTree::Remove() {
    m_files.clear();
    m_folders.clear();
    return m_root.Remove();
}

}  // namespace Kestlib
