#include "lib/FolderSecurity.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

const SECURITY_INFORMATION kOwnerAndAccess = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
// Read, list, traverse and the rights every reader has (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE).
const DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;

std::wstring SidText(PSID sid) {
    LPWSTR text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) ThrowLastError(L"ConvertSidToStringSidW");
    LocalMemory owned(text);
    return text;
}

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return ::IsWellKnownSid(sid, type) != FALSE; }

bool IsTrusted(PSID sid) {
    return IsWellKnown(sid, WinBuiltinAdministratorsSid) || IsWellKnown(sid, WinLocalSystemSid);
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

std::wstring ObjectSddl(HANDLE object) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = ::GetSecurityInfo(object, SE_FILE_OBJECT, kOwnerAndAccess, nullptr, nullptr, nullptr, nullptr,
                                    &descriptor);
    if (error != ERROR_SUCCESS) ThrowSystemError(static_cast<long>(error), L"GetSecurityInfo");
    LocalMemory owned(descriptor);
    LPWSTR text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, kOwnerAndAccess, &text,
                                                                nullptr))
        ThrowLastError(L"ConvertSecurityDescriptorToStringSecurityDescriptorW");
    LocalMemory ownedText(text);
    return text;
}

bool HasProtectedAccess(HANDLE folder) {
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = ::GetSecurityInfo(folder, SE_FILE_OBJECT, kOwnerAndAccess, &owner, nullptr, &access, nullptr,
                                    &descriptor);
    if (error != ERROR_SUCCESS) ThrowSystemError(static_cast<long>(error), L"GetSecurityInfo");
    LocalMemory owned(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!::GetSecurityDescriptorControl(descriptor, &control, &revision)) ThrowLastError(L"GetSecurityDescriptorControl");
    // No access list at all grants everyone everything.
    if (owner == nullptr || !IsTrusted(owner) || (control & SE_DACL_PROTECTED) == 0 || access == nullptr) return false;
    for (DWORD i = 0; i < access->AceCount; ++i) {
        ACE_HEADER* header = nullptr;
        if (!::GetAce(access, i, reinterpret_cast<void**>(&header))) ThrowLastError(L"GetAce");
        if (header->AceType == ACCESS_DENIED_ACE_TYPE) continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
        ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if (!IsTrusted(&ace->SidStart) && (ace->Mask & ~kReadAndExecute) != 0) return false;
    }
    return true;
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
