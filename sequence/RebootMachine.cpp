#include "sequence/RebootMachine.h"

#include <windows.h>

#include "lib/Handles.h"
#include "lib/SystemError.h"

void RebootMachine() {
    Kestlib::TokenHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        Kestlib::ThrowLastError(L"OpenProcessToken");
    TOKEN_PRIVILEGES privileges = {};
    if (!::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        Kestlib::ThrowLastError(L"LookupPrivilegeValue(SE_SHUTDOWN_NAME)");
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // The call succeeds even when the token does not hold the privilege; it
    // then says so only through the last error.
    if (!::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) ||
        ::GetLastError() == ERROR_NOT_ALL_ASSIGNED)
        Kestlib::ThrowLastError(L"AdjustTokenPrivileges");
    if (!::ExitWindowsEx(EWX_REBOOT, 0)) Kestlib::ThrowLastError(L"ExitWindowsEx");
}
