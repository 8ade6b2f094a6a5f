// Runs the probe program under each Windows version Wine can pretend to be.
// Wine keeps that choice per program name (AppDefaults), so each case runs
// its own copy of the probe under a name nobody else uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <set>
#include <string>

#include "lib/Handles.h"
#include "tests/support/TestEnvironment.h"

namespace {

const wchar_t kAppDefaults[] = L"Software\\Wine\\AppDefaults\\";

// The AppDefaults key of one program name, removed again at the end of the case.
class WineVersionOverride {
public:
    WineVersionOverride(const std::wstring& programName, const std::wstring& version)
        : m_key(kAppDefaults + programName) {
        Kestlib::RegistryKey key;
        EXPECT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                    key.Receive(), nullptr),
                  ERROR_SUCCESS);
        const DWORD bytes = static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t));
        EXPECT_EQ(::RegSetValueExW(key.Get(), L"Version", 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(version.c_str()), bytes),
                  ERROR_SUCCESS);
    }
    ~WineVersionOverride() { ::RegDeleteKeyW(HKEY_CURRENT_USER, m_key.c_str()); }
    WineVersionOverride(const WineVersionOverride&) = delete;
    WineVersionOverride& operator=(const WineVersionOverride&) = delete;

private:
    std::wstring m_key;
};

// Runs the probe as Wine's "version" and returns what it wrote.
std::string RunProbe(const std::wstring& version) {
    TestSupport::TempFolder folder;
    const std::wstring name = L"os_probe_" + version + L"_" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
    const std::wstring program = folder / name;
    const std::wstring output = folder / L"probe.txt";
    EXPECT_TRUE(::CopyFileW((TestSupport::BinDirectory() + L"os_probe.exe").c_str(), program.c_str(), TRUE));
    WineVersionOverride override(name, version);

    std::wstring commandLine = L"\"" + program + L"\" \"" + output + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        ADD_FAILURE() << "CreateProcessW failed: " << ::GetLastError();
        return std::string();
    }
    Kestlib::ProcessHandle process(info.hProcess);
    Kestlib::ThreadHandle thread(info.hThread);
    EXPECT_EQ(::WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    return TestSupport::ReadTextFile(output);
}

// What the probe writes for one system: id, name and build text.
std::string Report(const char* id, const char* name, const char* build) {
    return std::string(id) + "\n" + name + "\nOperating system build: " + build + "\n";
}

struct WineVersionCase {
    const wchar_t* wineVersion;
    std::string expected;
};

class OperatingSystemUnderWine : public testing::TestWithParam<WineVersionCase> {};

TEST_P(OperatingSystemUnderWine, ProbeReportsTheExpectedId) {
    EXPECT_EQ(RunProbe(GetParam().wineVersion), GetParam().expected);
}

// A program without a compatibility manifest sees Windows 8.1 and 10 as 6.2.
const WineVersionCase kWineVersions[] = {
    {L"win95", Report("5", "Windows 95", "4.0, ServicePack: 0.0 ProductType: 0")},
    {L"win98", Report("20", "Windows 98 Second Edition", "4.10, ServicePack: 0.0 ProductType: 0")},
    {L"winme", Report("25", "Windows ME", "4.90, ServicePack: 0.0 ProductType: 0")},
    // Wine's NT 4 says "Service Pack 6a": plain NT 4, the hotfix key is not asked.
    {L"nt40", Report("30", "Windows NT 4", "4.0, ServicePack: 6.0 ProductType: 1")},
    {L"nt351", "error: Unsupported operating system, , version=3.51, sp=5.0, type=1\n"},
    {L"win2k", Report("65", "Windows 2000 Sp4", "5.0, ServicePack: 4.0 ProductType: 1")},
    {L"winxp", Report("84", "Windows XP Sp3", "5.1, ServicePack: 3.0 ProductType: 1")},
    {L"winxp64", Report("94", "Windows Server 2003 Sp2", "5.2, ServicePack: 2.0 ProductType: 1")},
    {L"win2003", Report("94", "Windows Server 2003 Sp2", "5.2, ServicePack: 2.0 ProductType: 3")},
    {L"vista", Report("103", "Windows Vista Sp2", "6.0, ServicePack: 2.0 ProductType: 1")},
    {L"win2008", Report("110", "Windows Server 2008", "6.0, ServicePack: 2.0 ProductType: 3")},
    {L"win8", Report("120", "Windows 7", "6.2, ServicePack: 0.0 ProductType: 1")},
    {L"win81", Report("120", "Windows 7", "6.2, ServicePack: 0.0 ProductType: 1")},
    {L"win10", Report("120", "Windows 7", "6.2, ServicePack: 0.0 ProductType: 1")},
};

std::string VersionName(const WineVersionCase& c) {
    std::string name;
    for (const wchar_t* p = c.wineVersion; *p; ++p) name += static_cast<char>(*p);
    return name;
}

std::string CaseName(const testing::TestParamInfo<WineVersionCase>& info) { return VersionName(info.param); }

void PrintTo(const WineVersionCase& c, std::ostream* out) { *out << VersionName(c); }

INSTANTIATE_TEST_SUITE_P(Versions, OperatingSystemUnderWine, testing::ValuesIn(kWineVersions), CaseName);

// Wine 8.0 hands out the Windows 7 and Server 2008 R2 records under each
// other's names, so only the pair as a whole is certain.
TEST(OperatingSystemUnderWinePair, Windows7AndServer2008R2) {
    std::set<std::string> reports = {RunProbe(L"win7"), RunProbe(L"win2008r2")};
    std::set<std::string> expected = {
        Report("120", "Windows 7", "6.1, ServicePack: 1.0 ProductType: 1"),
        Report("111", "Windows Server 2008 R2", "6.1, ServicePack: 1.0 ProductType: 3"),
    };
    EXPECT_EQ(reports, expected);
}

}  // namespace
