#include "base/OperatingSystem.h"

#include <windows.h>

#include <cwchar>

#include "lib/Registry.h"
#include "lib/SystemError.h"

namespace {

const wchar_t kNt4HotfixKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009";

}  // namespace

OperatingSystemVersion QueryOperatingSystemVersion() {
    OperatingSystemVersion result;
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    if (::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) {
        result.servicePackMajor = info.wServicePackMajor;
        result.servicePackMinor = info.wServicePackMinor;
        result.productType = info.wProductType;
    } else {
        // Older systems know only the basic record.
        info = {};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        if (!::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info))) Kestlib::ThrowLastError(L"GetVersionEx");
    }
    result.platformId = info.dwPlatformId;
    result.majorVersion = info.dwMajorVersion;
    result.minorVersion = info.dwMinorVersion;
    result.servicePackText = info.szCSDVersion;
    result.serverR2 = ::GetSystemMetrics(SM_SERVERR2) != 0;
    // The hotfix key only tells NT 4 SP6 from SP6a; no other system is asked.
    if (result.platformId == VER_PLATFORM_WIN32_NT && result.majorVersion == 4 &&
        ::_wcsicmp(result.servicePackText.c_str(), L"Service Pack 6") == 0)
        result.nt4Q246009 = Kestlib::RegistryKeyExists(HKEY_LOCAL_MACHINE, kNt4HotfixKey, L"");
    return result;
}

int GetOperatingSystem() { return OperatingSystemFromVersion(QueryOperatingSystemVersion()); }

std::wstring OperatingSystemBuildText() {
    const OperatingSystemVersion v = QueryOperatingSystemVersion();
    return L"Operating system build: " + std::to_wstring(v.majorVersion) + L"." + std::to_wstring(v.minorVersion) +
           L", ServicePack: " + std::to_wstring(v.servicePackMajor) + L"." + std::to_wstring(v.servicePackMinor) +
           L" ProductType: " + std::to_wstring(v.productType);
}
