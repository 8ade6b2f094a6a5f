#include "sequence/Elevation.h"

#include <windows.h>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace {

// The extended structure, 276 bytes; false when the query fails.
bool QueryVersion(OSVERSIONINFOEXW& version) {
    version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return ::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) != FALSE;
}

// Released with FreeSid.
class AdministratorsSid {
public:
    AdministratorsSid() {
        SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
        if (!::AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                        0, 0, 0, &m_sid))
            Kestlib::ThrowLastError(L"AllocateAndInitializeSid");
    }
    ~AdministratorsSid() { ::FreeSid(m_sid); }
    AdministratorsSid(const AdministratorsSid&) = delete;
    AdministratorsSid& operator=(const AdministratorsSid&) = delete;
    PSID Get() const { return m_sid; }

private:
    PSID m_sid = nullptr;
};

bool IsMember(HANDLE token, PSID sid) {
    BOOL member = FALSE;
    if (!::CheckTokenMembership(token, sid, &member)) Kestlib::ThrowLastError(L"CheckTokenMembership");
    return member != FALSE;
}

using CreateWellKnownSidFunction = BOOL(WINAPI*)(WELL_KNOWN_SID_TYPE, PSID, PSID, DWORD*);

// Looked up at run time: older systems lack it, and the check then runs
// without a SID.
CreateWellKnownSidFunction FindCreateWellKnownSid() {
    HMODULE advapi = ::GetModuleHandleW(L"advapi32.dll");
    if (!advapi) return nullptr;
    return reinterpret_cast<CreateWellKnownSidFunction>(
        reinterpret_cast<void (*)()>(::GetProcAddress(advapi, "CreateWellKnownSid")));
}

}  // namespace

bool IsElevationSupported() {
    OSVERSIONINFOEXW version;
    return QueryVersion(version) && version.dwMajorVersion >= 6;
}

bool IsRunAsAdmin() {
    AdministratorsSid administrators;
    return IsMember(nullptr, administrators.Get());
}

bool IsUserInAdminGroup() {
    Kestlib::TokenHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, token.Receive()))
        Kestlib::ThrowLastError(L"OpenProcessToken");
    OSVERSIONINFOEXW version;
    if (!QueryVersion(version)) Kestlib::ThrowLastError(L"GetVersionEx");

    // A limited token of an administrator has the full one linked to it.
    Kestlib::TokenHandle checked;
    if (version.dwMajorVersion >= 6) {
        TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
        DWORD size = 0;
        if (!::GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size))
            Kestlib::ThrowLastError(L"GetTokenInformation");
        if (type == TokenElevationTypeLimited) {
            TOKEN_LINKED_TOKEN linked = {};
            if (!::GetTokenInformation(token.Get(), TokenLinkedToken, &linked, sizeof(linked), &size))
                Kestlib::ThrowLastError(L"GetTokenInformation");
            checked.Reset(linked.LinkedToken);
        }
    }
    // Membership is checked on an impersonation token.
    if (!checked && !::DuplicateToken(token.Get(), SecurityIdentification, checked.Receive()))
        Kestlib::ThrowLastError(L"DuplicateToken");

    CreateWellKnownSidFunction create = FindCreateWellKnownSid();
    if (!create) {
        // A check without a SID could only fail: the same group, built by hand.
        AdministratorsSid administrators;
        return IsMember(checked.Get(), administrators.Get());
    }
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(sid);
    if (!create(WinBuiltinAdministratorsSid, nullptr, sid, &size)) Kestlib::ThrowLastError(L"CreateWellKnownSid");
    return IsMember(checked.Get(), sid);
}
