#pragma once

#include <string>

// Operating system ids: they grow with the Windows release, so that a
// configuration can state a range with two numbers.
enum OperatingSystemId : int {
    winUnsupported = 0,
    win95 = 5,
    win95osr2 = 10,
    win98 = 15,
    win98se = 20,
    winME = 25,
    winNT4 = 30,
    winNT4sp6 = 35,
    winNT4sp6a = 40,
    win2000 = 45,
    win2000sp1 = 50,
    win2000sp2 = 55,
    win2000sp3 = 60,
    win2000sp4 = 65,
    winXP = 75,
    winXPsp1 = 80,
    winXPsp2 = 82,
    winXPsp3 = 84,
    winServer2003 = 90,
    winServer2003R2 = 91,
    winServer2003sp1 = 92,
    winServer2003R2sp1 = 93,
    winServer2003sp2 = 94,
    winServer2003R2sp2 = 95,
    winVista = 100,
    winVistaSp1 = 102,
    winVistaSp2 = 103,
    winServer2008 = 110,
    winServer2008R2 = 111,
    win7 = 120,
};

// What the version query reports; the mapping to an id is a pure function of it.
struct OperatingSystemVersion {
    unsigned long platformId = 0;
    unsigned long majorVersion = 0;
    unsigned long minorVersion = 0;
    unsigned long servicePackMajor = 0;
    unsigned long servicePackMinor = 0;
    unsigned long productType = 0;
    std::wstring servicePackText;   // szCSDVersion
    bool serverR2 = false;          // GetSystemMetrics(SM_SERVERR2) != 0
    bool nt4Q246009 = false;        // the NT 4 SP6a hotfix key exists
};

OperatingSystemVersion QueryOperatingSystemVersion();
// Throws "Unsupported operating system, ..." for systems outside the table.
int OperatingSystemFromVersion(const OperatingSystemVersion& version);
int GetOperatingSystem();
std::wstring OperatingSystemName(int id);
std::wstring OperatingSystemBuildText();
