#pragma once

#include <windows.h>

#include <string>

#include "lib/Handles.h"

namespace Kestlib {

// A self-relative security descriptor held in the platform's local memory.
class SecurityDescriptor {
public:
    SecurityDescriptor() = default;
    // Throws the platform's error for a text it cannot read.
    static SecurityDescriptor FromSddl(const std::wstring& sddl);

    PSECURITY_DESCRIPTOR Get() const { return m_memory.Get(); }
    bool IsValid() const { return m_memory.IsValid(); }
    // Owner and access list, as the platform writes them back.
    std::wstring Sddl() const;

private:
    LocalMemory m_memory;
};

// CreateDirectories (FileOps.h), each folder created with the descriptor when one is given.
std::wstring CreateDirectories(const std::wstring& path, const SecurityDescriptor* security);

// The access list of a folder an elevated run creates for itself: full control
// for SYSTEM and the Administrators, read and execute for the given user,
// owned by the Administrators, inheriting nothing from its parent (protected)
// and passing its entries on to every file and folder created inside.
std::wstring ProtectedFolderSddl(const std::wstring& userSid);
// The same for the user the process runs as.
SecurityDescriptor ProtectedFolderSecurity();
// The user SID of the process token, in its "S-1-..." form.
std::wstring CurrentUserSid();

// Whether the process runs with a full administrator token (elevated); on a
// system without elevation, whether it is a member of the Administrators.
bool IsProcessElevated();

}  // namespace Kestlib
