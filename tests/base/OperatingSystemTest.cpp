#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/OperatingSystem.h"
#include "lib/Handles.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

OperatingSystemVersion Nt(unsigned long major, unsigned long minor, unsigned long sp,
                          unsigned long type = VER_NT_WORKSTATION) {
    OperatingSystemVersion v;
    v.platformId = VER_PLATFORM_WIN32_NT;
    v.majorVersion = major;
    v.minorVersion = minor;
    v.servicePackMajor = sp;
    v.productType = type;
    return v;
}

OperatingSystemVersion Win9x(unsigned long minor, const std::wstring& servicePackText) {
    OperatingSystemVersion v;
    v.platformId = VER_PLATFORM_WIN32_WINDOWS;
    v.majorVersion = 4;
    v.minorVersion = minor;
    v.servicePackText = servicePackText;
    return v;
}

OperatingSystemVersion Nt4(const std::wstring& servicePackText, bool hotfix) {
    OperatingSystemVersion v = Nt(4, 0, 6);
    v.servicePackText = servicePackText;
    v.nt4Q246009 = hotfix;
    return v;
}

OperatingSystemVersion Server2003(unsigned long sp, bool r2, unsigned long type = VER_NT_SERVER) {
    OperatingSystemVersion v = Nt(5, 2, sp, type);
    v.serverR2 = r2;
    return v;
}

}  // namespace

TEST(OperatingSystemFromVersion, Windows9xByMinorAndReleaseLetter) {
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(0, L"")), win95);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(0, L" A ")), win95);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(0, L" B ")), win95osr2);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(0, L" C")), win95osr2);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(0, L"B")), win95);  // the letter is the second character
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(10, L"")), win98);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(10, L" A ")), win98se);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(10, L" a ")), win98);
    EXPECT_EQ(OperatingSystemFromVersion(Win9x(90, L" A ")), winME);
}

TEST(OperatingSystemFromVersion, Nt4OnlyExactServicePack6TextAsksTheHotfix) {
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"", true)), winNT4);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"Service Pack 5", true)), winNT4);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"Service Pack 6", false)), winNT4sp6);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"SERVICE PACK 6", false)), winNT4sp6);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"Service Pack 6", true)), winNT4sp6a);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"service pack 6", true)), winNT4sp6a);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"Service Pack 6a", true)), winNT4);
    EXPECT_EQ(OperatingSystemFromVersion(Nt4(L"Service Pack 6a", false)), winNT4);
}

TEST(OperatingSystemFromVersion, Windows2000AndXpByServicePack) {
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 0, 0)), win2000);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 0, 1)), win2000sp1);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 0, 2)), win2000sp2);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 0, 3)), win2000sp3);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 0, 4)), win2000sp4);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 0, 9, VER_NT_SERVER)), win2000sp4);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 1, 0)), winXP);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 1, 1)), winXPsp1);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 1, 2)), winXPsp2);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 1, 3)), winXPsp3);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(5, 1, 4)), winXPsp3);
}

TEST(OperatingSystemFromVersion, Version52IsAlwaysServer2003) {
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(0, false)), winServer2003);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(1, false)), winServer2003sp1);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(2, false)), winServer2003sp2);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(3, false)), winServer2003sp2);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(0, true)), winServer2003R2);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(1, true)), winServer2003R2sp1);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(2, true)), winServer2003R2sp2);
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(5, true)), winServer2003R2sp2);
    // The 64-bit XP workstation reports 5.2 as well.
    EXPECT_EQ(OperatingSystemFromVersion(Server2003(2, false, VER_NT_WORKSTATION)), winServer2003sp2);
}

TEST(OperatingSystemFromVersion, Version6ByProductType) {
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 0, 0)), winVista);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 0, 1)), winVistaSp1);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 0, 2)), winVistaSp2);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 0, 3)), winVistaSp2);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 0, 0, VER_NT_SERVER)), winServer2008);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 0, 2, VER_NT_DOMAIN_CONTROLLER)), winServer2008);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 1, 0)), win7);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 1, 1, VER_NT_SERVER)), winServer2008R2);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 1, 1, VER_NT_DOMAIN_CONTROLLER)), winServer2008R2);
}

TEST(OperatingSystemFromVersion, LaterSystemsCountAsWindows7) {
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 2, 0)), win7);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 3, 0)), win7);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(6, 3, 0, VER_NT_SERVER)), win7);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(10, 0, 0)), win7);
    EXPECT_EQ(OperatingSystemFromVersion(Nt(10, 0, 0, VER_NT_SERVER)), win7);
}

TEST(OperatingSystemFromVersion, UnsupportedSystemsNameTheirVersion) {
    OperatingSystemVersion v = Win9x(5, L"");
    EXPECT_THROW_MESSAGE(OperatingSystemFromVersion(v), "Unsupported operating system, , version=4.5, sp=0.0, type=0");
    v.majorVersion = 5;
    v.minorVersion = 0;
    EXPECT_THROW_MESSAGE(OperatingSystemFromVersion(v), "Unsupported operating system, , version=5.0, sp=0.0, type=0");
    OperatingSystemVersion nt = Nt(3, 51, 5);
    nt.servicePackMinor = 1;
    EXPECT_THROW_MESSAGE(OperatingSystemFromVersion(nt), "Unsupported operating system, , version=3.51, sp=5.1, type=1");
    EXPECT_THROW_MESSAGE(OperatingSystemFromVersion(Nt(5, 3, 0, VER_NT_SERVER)),
                         "Unsupported operating system, , version=5.3, sp=0.0, type=3");
    OperatingSystemVersion win32s = Nt(6, 1, 0);
    win32s.platformId = VER_PLATFORM_WIN32s;
    EXPECT_THROW_MESSAGE(OperatingSystemFromVersion(win32s),
                         "Unsupported operating system, , version=6.1, sp=0.0, type=1");
}

TEST(OperatingSystemName, EveryIdHasItsName) {
    const std::pair<int, const wchar_t*> table[] = {
        {5, L"Windows 95"}, {10, L"Windows 95 OSR2"}, {15, L"Windows 98"},
        {20, L"Windows 98 Second Edition"}, {25, L"Windows ME"}, {30, L"Windows NT 4"},
        {35, L"Windows NT 4 Sp6"}, {40, L"Windows NT 4 Sp6a"}, {45, L"Windows 2000"},
        {50, L"Windows 2000 Sp1"}, {55, L"Windows 2000 Sp2"}, {60, L"Windows 2000 Sp3"},
        {65, L"Windows 2000 Sp4"}, {75, L"Windows XP"}, {80, L"Windows XP Sp1"},
        {82, L"Windows XP Sp2"}, {84, L"Windows XP Sp3"}, {90, L"Windows Server 2003"},
        {92, L"Windows Server 2003 Sp1"}, {94, L"Windows Server 2003 Sp2"}, {91, L"Windows Server 2003 R2"},
        {93, L"Windows Server 2003 R2 Sp1"}, {95, L"Windows Server 2003 R2 Sp2"}, {110, L"Windows Server 2008"},
        {111, L"Windows Server 2008 R2"}, {100, L"Windows Vista"}, {102, L"Windows Vista Sp1"},
        {103, L"Windows Vista Sp2"}, {120, L"Windows 7"},
    };
    for (const auto& row : table) EXPECT_EQ(OperatingSystemName(row.first), row.second) << row.first;
}

TEST(OperatingSystemName, UnknownIdsAreUnsupported) {
    EXPECT_THROW_MESSAGE(OperatingSystemName(0), "Unsupported operating system, os=0");
    EXPECT_THROW_MESSAGE(OperatingSystemName(101), "Unsupported operating system, os=101");
    EXPECT_THROW_MESSAGE(OperatingSystemName(-5), "Unsupported operating system, os=-5");
}

TEST(OperatingSystem, ThisProcessSeesItsOwnSystem) {
    const int id = GetOperatingSystem();
    EXPECT_FALSE(OperatingSystemName(id).empty());
    const OperatingSystemVersion v = QueryOperatingSystemVersion();
    EXPECT_EQ(v.platformId, static_cast<unsigned long>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(OperatingSystemFromVersion(v), id);
    EXPECT_EQ(OperatingSystemBuildText(),
              L"Operating system build: " + std::to_wstring(v.majorVersion) + L"." + std::to_wstring(v.minorVersion) +
                  L", ServicePack: " + std::to_wstring(v.servicePackMajor) + L"." +
                  std::to_wstring(v.servicePackMinor) + L" ProductType: " + std::to_wstring(v.productType));
}
