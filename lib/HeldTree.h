#pragma once

#include <map>
#include <string>

#include "lib/FolderSecurity.h"
#include "lib/HeldFile.h"
#include "lib/HeldFolder.h"

namespace Kestlib {

// Everything a run holds below one folder: the folder, the sub-folders it made
// or entered and the files it wrote, until it removes them or ends. Files are
// reached by their full paths below the folder, folder by folder through the
// held handles, never through a link.
class HeldTree {
public:
    HeldTree() = default;
    // Sub-folders made below get the descriptor when one is given; with
    // takeOver, existing ones are given it too.
    HeldTree(HeldFolder root, SecurityDescriptor security, bool takeOver);
    HeldTree(HeldTree&&) = default;
    HeldTree& operator=(HeldTree&&) = default;

    bool IsValid() const { return m_root.IsValid(); }
    const std::wstring& Path() const { return m_root.Path(); }

    // A new file at a full path below the folder (see HeldFolder::NewFile),
    // kept here: seal it once written. Throws for a path outside the folder.
    HeldFile& NewFile(const std::wstring& path);
    // The held file of that path, null when none.
    HeldFile* Find(const std::wstring& path);
    // Ends the hold of the file at that path, if any, and removes the entry
    // there; false when nothing was removed.
    bool RemoveFile(const std::wstring& path);
    // Ends the hold of every file; the folders stay held.
    void ReleaseFiles() { m_files.clear(); }
    // Ends every hold and removes the folder with everything in it.
    bool Remove();

private:
    const HeldFolder& FolderOf(const std::wstring& relativeFolder);
    // The folder part below the root and the name; false when outside.
    bool Split(const std::wstring& path, std::wstring& folder, std::wstring& name) const;

    HeldFolder m_root;
    SecurityDescriptor m_security;
    bool m_takeOver = false;
    std::wstring m_base;  // the root's full path with a backslash, to compare without regard to case
    std::map<std::wstring, HeldFolder> m_folders;
    std::map<std::wstring, HeldFile> m_files;  // by full path, without regard to case
};

}  // namespace Kestlib
