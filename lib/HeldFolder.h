#pragma once

#include <windows.h>

#include <string>

#include "lib/Handles.h"
#include "lib/HeldFile.h"

namespace Kestlib {

class SecurityDescriptor;

// A folder this process holds open: while held, nobody can rename, move or
// delete it, so what is reached through it stays inside it. Every entry is
// created, opened and deleted through the handle, one name at a time, and a
// link at a name (symbolic link, junction, mount point) is handled as itself,
// never followed. Others can still list the folder, enter it and open what it
// holds as far as those files allow. Move-only.
class HeldFolder {
public:
    HeldFolder() = default;

    // An existing folder, refused when the name is a link.
    static HeldFolder Open(const std::wstring& path);
    // Creates every missing folder of the path (with the descriptor, when
    // given) and holds the last one; an existing last folder is opened as by
    // Open. WasCreated tells which. Failures throw "Error in CreateDirectory: "
    // with the folder.
    static HeldFolder Create(const std::wstring& path, const SecurityDescriptor* security);

    // Removes the folder at the path with everything in it, through handles;
    // a link there goes as itself. False when something stayed.
    static bool RemoveTree(const std::wstring& path);

    HANDLE Get() const { return m_handle.Get(); }
    bool IsValid() const { return m_handle.IsValid(); }
    const std::wstring& Path() const { return m_path; }
    bool WasCreated() const { return m_created; }

    // The sub-folder of that name, created (with the descriptor) when missing.
    HeldFolder Child(const std::wstring& name, const SecurityDescriptor* security) const;
    // A new file of that name, whatever was there before: an existing entry of
    // the name (a file, or a link, which goes without what it points to) is
    // removed first, and the file is created new, never opened. Its writing
    // handle lets others only read it. Throws "Error creating '" + path + "'".
    HeldFile NewFile(const std::wstring& name) const;
    // Removes the entry of that name (a file, a link or an empty folder);
    // false when there was none or it could not be removed.
    bool RemoveEntry(const std::wstring& name) const;
    // Removes everything inside, descending into folders but never into
    // links; false when something stayed.
    bool RemoveContents() const;
    // Removes everything inside and the folder itself, and ends the hold.
    bool Remove();
    // Gives the folder the descriptor's owner and access list.
    void TakeOver(const SecurityDescriptor& security) const;

    void Release() { m_handle.Reset(); }

private:
    HeldFolder(FileHandle handle, std::wstring path, bool created);
    std::wstring ChildPath(const std::wstring& name) const;

    FileHandle m_handle;
    std::wstring m_path;
    bool m_created = false;
};

}  // namespace Kestlib
