#include "base/OperatingSystem.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>

#include "lib/SystemError.h"

namespace {

struct OperatingSystemEntry {
    int id;
    const wchar_t* name;
};

const OperatingSystemEntry kOperatingSystems[] = {
    {win95, L"Windows 95"},
    {win95osr2, L"Windows 95 OSR2"},
    {win98, L"Windows 98"},
    {win98se, L"Windows 98 Second Edition"},
    {winME, L"Windows ME"},
    {winNT4, L"Windows NT 4"},
    {winNT4sp6, L"Windows NT 4 Sp6"},
    {winNT4sp6a, L"Windows NT 4 Sp6a"},
    {win2000, L"Windows 2000"},
    {win2000sp1, L"Windows 2000 Sp1"},
    {win2000sp2, L"Windows 2000 Sp2"},
    {win2000sp3, L"Windows 2000 Sp3"},
    {win2000sp4, L"Windows 2000 Sp4"},
    {winXP, L"Windows XP"},
    {winXPsp1, L"Windows XP Sp1"},
    {winXPsp2, L"Windows XP Sp2"},
    {winXPsp3, L"Windows XP Sp3"},
    {winServer2003, L"Windows Server 2003"},
    {winServer2003sp1, L"Windows Server 2003 Sp1"},
    {winServer2003sp2, L"Windows Server 2003 Sp2"},
    {winServer2003R2, L"Windows Server 2003 R2"},
    {winServer2003R2sp1, L"Windows Server 2003 R2 Sp1"},
    {winServer2003R2sp2, L"Windows Server 2003 R2 Sp2"},
    {winServer2008, L"Windows Server 2008"},
    {winServer2008R2, L"Windows Server 2008 R2"},
    {winVista, L"Windows Vista"},
    {winVistaSp1, L"Windows Vista Sp1"},
    {winVistaSp2, L"Windows Vista Sp2"},
    {win7, L"Windows 7"},
};

[[noreturn]] void ThrowUnsupported(const OperatingSystemVersion& v) {
    Kestlib::ThrowError(L"Unsupported operating system, , version=" + std::to_wstring(v.majorVersion) + L"." +
                        std::to_wstring(v.minorVersion) + L", sp=" + std::to_wstring(v.servicePackMajor) + L"." +
                        std::to_wstring(v.servicePackMinor) + L", type=" + std::to_wstring(v.productType));
}

// The second character of the service pack text tells the Windows 9x
// releases apart (" A" for 98 SE, " B"/" C" for 95 OSR2).
wchar_t ReleaseLetter(const std::wstring& servicePackText) {
    return servicePackText.size() > 1 ? servicePackText[1] : L'\0';
}

int Windows9x(const OperatingSystemVersion& v) {
    if (v.majorVersion != 4) ThrowUnsupported(v);
    switch (v.minorVersion) {
        case 90:
            return winME;
        case 10:
            return ReleaseLetter(v.servicePackText) == L'A' ? win98se : win98;
        case 0: {
            const wchar_t letter = ReleaseLetter(v.servicePackText);
            return (letter == L'B' || letter == L'C') ? win95osr2 : win95;
        }
        default:
            ThrowUnsupported(v);
    }
}

int PickByServicePack(unsigned long servicePack, std::initializer_list<int> ids) {
    // The last id stands for its service pack and every later one.
    const size_t index = servicePack < ids.size() ? servicePack : ids.size() - 1;
    return *(ids.begin() + index);
}

int WindowsNT(const OperatingSystemVersion& v) {
    const unsigned long sp = v.servicePackMajor;
    const bool workstation = v.productType == VER_NT_WORKSTATION;
    switch (v.majorVersion) {
        case 4:
            // Only the exact text leads to the hotfix test; "Service Pack 6a" is plain NT 4.
            if (::_wcsicmp(v.servicePackText.c_str(), L"Service Pack 6") == 0)
                return v.nt4Q246009 ? winNT4sp6a : winNT4sp6;
            return winNT4;
        case 5:
            if (v.minorVersion == 0)
                return PickByServicePack(sp, {win2000, win2000sp1, win2000sp2, win2000sp3, win2000sp4});
            if (v.minorVersion == 1) return PickByServicePack(sp, {winXP, winXPsp1, winXPsp2, winXPsp3});
            if (v.minorVersion == 2) {
                if (v.serverR2) return PickByServicePack(sp, {winServer2003R2, winServer2003R2sp1, winServer2003R2sp2});
                return PickByServicePack(sp, {winServer2003, winServer2003sp1, winServer2003sp2});
            }
            ThrowUnsupported(v);
        case 6:
            if (v.minorVersion == 0) {
                if (!workstation) return winServer2008;
                return PickByServicePack(sp, {winVista, winVistaSp1, winVistaSp2});
            }
            if (v.minorVersion == 1) return workstation ? win7 : winServer2008R2;
            return win7;
        default:
            if (v.majorVersion > 6) return win7;
            ThrowUnsupported(v);
    }
}

}  // namespace

int OperatingSystemFromVersion(const OperatingSystemVersion& version) {
    if (version.platformId == VER_PLATFORM_WIN32_WINDOWS) return Windows9x(version);
    if (version.platformId == VER_PLATFORM_WIN32_NT) return WindowsNT(version);
    ThrowUnsupported(version);
}

std::wstring OperatingSystemName(int id) {
    for (const OperatingSystemEntry& entry : kOperatingSystems)
        if (entry.id == id) return entry.name;
    Kestlib::ThrowError(L"Unsupported operating system, os=" + std::to_wstring(id));
}
