#include "lib/FolderSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

const SECURITY_INFORMATION kOwnerAndAccess = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

std::wstring SidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) ThrowLastError(L"ConvertSidToStringSidW");
    LocalMemory owned(text);
    return text;
}

TokenHandle ProcessToken() {
    TokenHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        ThrowLastError(L"OpenProcessToken");
    return token;
}

}  // namespace

SecurityDescriptor SecurityDescriptor::FromSddl(const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        ThrowLastError(L"ConvertStringSecurityDescriptorToSecurityDescriptorW: " + sddl);
    SecurityDescriptor result;
    result.m_memory.Reset(descriptor);
    return result;
}

std::wstring SecurityDescriptor::Sddl() const {
    LPWSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(Get(), SDDL_REVISION_1, kOwnerAndAccess, &text,
                                                                nullptr))
        ThrowLastError(L"ConvertSecurityDescriptorToStringSecurityDescriptorW");
    LocalMemory owned(text);
    return text;
}

std::wstring ProtectedFolderSddl(const std::wstring& userSid) {
    return L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;" + userSid + L")";
}

SecurityDescriptor ProtectedFolderSecurity() { return SecurityDescriptor::FromSddl(ProtectedFolderSddl(CurrentUserSid())); }

std::wstring CurrentUserSid() {
    TokenHandle token = ProcessToken();
    DWORD size = 0;
    ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size == 0 ? sizeof(TOKEN_USER) : size);
    if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size))
        ThrowLastError(L"GetTokenInformation");
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

bool IsProcessElevated() {
    TokenHandle token = ProcessToken();
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (::GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof(elevation), &size))
        return elevation.TokenIsElevated != 0;
    // Before elevation existed, an administrator's token was always a full one.
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof(sid);
    if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize)) ThrowLastError(L"CreateWellKnownSid");
    BOOL member = FALSE;
    if (!::CheckTokenMembership(nullptr, sid, &member)) ThrowLastError(L"CheckTokenMembership");
    return member != FALSE;
}

}  // namespace Kestlib
