// /norestart: a restart a component asks for is left to the caller. The run
// goes on with the remaining components and configurations, writes no Run
// value, asks nothing, and ends with 3010, unless a failure's code wins. A
// package is told not to restart by itself: Wine's installer never restarts,
// so the command line it ran is what shows it.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>
#include <vector>

#include "lib/Process.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::HasMessage;

namespace {

// tests/data/msi/reboot-1.0.0.wxs: its installation ends with 3010.
const wchar_t kRebootProduct[] = L"{01C4B12C-5F96-483A-9AA0-019BF6AE30A9}";

void RemoveRebootProduct() {
    if (::MsiQueryProductStateW(kRebootProduct) != INSTALLSTATE_DEFAULT) return;
    EXPECT_EQ(Kestlib::RunProcessAndWait(std::wstring(L"msiexec.exe /x ") + kRebootProduct + L" /qn"), 0u);
}

bool RunValueExists(const std::wstring& name) { return !TestSupport::RunValue(name).empty(); }

std::string RebootPackage() {
    return "    <component type=\"msi\" description=\"Reboot package\" package=\"#CABPATH\\reboot.msi\" "
           "cmdparameters=\"/qn\">\n      <embedfile sourcefilepath=\"" +
           Xml(TestSupport::BinDirectory() + L"testdata\\reboot-1.0.0.msi") +
           "\" targetfilepath=\"reboot.msi\"/>\n    </component>\n";
}

std::string Failing(const std::string& description, int code) {
    return "    <component type=\"cmd\" description=\"" + description + "\" command=\"" +
           Xml("\"" + Utf8(TestSupport::BinDirectory()) + "proc_exitcode.exe\" " + std::to_string(code)) + "\"/>\n";
}

const char kAsks[] = "mustreboot=\"true\" must_reboot_required=\"true\"";

class NoRestart : public ::testing::Test {
protected:
    void SetUp() override { RemoveRebootProduct(); }
    void TearDown() override { RemoveRebootProduct(); }
};

TEST_F(NoRestart, ARestartAskedForIsLeftToTheCallerWithExitCode3010) {
    struct Case {
        const char* name;
        const wchar_t* level;
        // Configurations, given the folder for the marker files.
        std::string (*document)(const Scenario& run);
        DWORD code;
        std::vector<const char*> asked;  // components whose restart was suppressed
        std::vector<const wchar_t*> markers;
        std::vector<const char*> lines;
        bool package;  // the package ran with its restart suppressed
    } cases[] = {
        {"silent: a package that schedules a restart", L"/q",
         [](const Scenario& run) { return Install("", RebootPackage() + MarkerComponent("After", run.folder / L"after.txt")); },
         3010, {"Reboot package"}, {L"after.txt"}, {"*** Component 'Reboot package': SUCCESS", "*** Component 'After': SUCCESS"},
         true},
        {"basic: a component that must restart asks nothing", L"/qb",
         [](const Scenario& run) {
             return Install("", MarkerComponent("First", run.folder / L"first.txt", kAsks) +
                                    MarkerComponent("Second", run.folder / L"second.txt"));
         },
         3010, {"First"}, {L"first.txt", L"second.txt"}, {"*** Component 'Second': SUCCESS"}, false},
        {"full: the completion step follows its usual rule", L"/nq",
         [](const Scenario& run) {
             return Install("auto_start=\"true\" complete_command=\"" +
                                Xml("cmd.exe /c echo done> \"" + Utf8(run.folder / L"complete.txt") + "\"") + "\"",
                            MarkerComponent("First", run.folder / L"first.txt", kAsks) +
                                MarkerComponent("Second", run.folder / L"second.txt"));
         },
         3010, {"First"}, {L"first.txt", L"second.txt", L"complete.txt"}, {"--- Complete Command"}, false},
        {"two configurations: the second still runs", L"/q",
         [](const Scenario& run) {
             return Install("", RebootPackage()) + Install("", MarkerComponent("Two", run.folder / L"two.txt", kAsks));
         },
         3010, {"Reboot package", "Two"}, {L"two.txt"}, {"*** Component 'Two': SUCCESS"}, true},
        {"a failure after a restart request wins", L"/q",
         [](const Scenario& run) {
             return Install("", MarkerComponent("First", run.folder / L"first.txt", kAsks) + Failing("Broken", 1603) +
                                    MarkerComponent("Last", run.folder / L"last.txt"));
         },
         1603, {"First"}, {L"first.txt", L"last.txt"},
         {"--- Component 'Broken' FAILED: Error executing 'Broken': 0x643", "Bootwright finished, return code=1603"},
         false},
    };
    const std::wstring name = L"norestart-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveRebootProduct();
        Scenario run;
        const std::wstring setup = TestSupport::PackageSetup(run.folder.Path(), Document(c.document(run)), name);
        EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(std::wstring(c.level) + L" /norestart"), 120000), c.code)
            << run.Dump();
        const auto log = run.Log();
        for (const char* component : c.asked) {
            const std::string prefix = std::string("--- Component '") + component;
            EXPECT_TRUE(HasMessage(log, prefix + ": REQUESTS REBOOT")) << run.Dump();
            EXPECT_TRUE(HasMessage(log, prefix + "': REBOOT SUPPRESSED (/norestart)")) << run.Dump();
        }
        for (const wchar_t* marker : c.markers) EXPECT_TRUE(FileExists(run.folder / marker)) << Utf8(marker);
        for (const char* line : c.lines) EXPECT_TRUE(HasMessage(log, line)) << line << "\n" << run.Dump();
        EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "Writing HKEY_LOCAL_MACHINE"));
        for (const std::string& message : log) {
            EXPECT_EQ(message.find("REQUIRES REBOOT"), std::string::npos) << message;
            EXPECT_EQ(message.find("CAUSED A REBOOT"), std::string::npos) << message;
        }
        EXPECT_FALSE(RunValueExists(name));
        bool suppressed = false;
        for (const std::string& message : log) {
            // Its own log (/LogFile) follows.
            suppressed = suppressed || (message.rfind("Executing: msiexec /I \"", 0) == 0 &&
                                        message.find("\\reboot.msi\" /qn REBOOT=ReallySuppress /l*v \"") !=
                                            std::string::npos);
        }
        EXPECT_EQ(suppressed, c.package) << run.Dump();
        EXPECT_EQ(HasMessage(log, "-- Restart left to the caller (/norestart): REBOOT=ReallySuppress"), c.package);
        if (c.code == 3010) {
            EXPECT_EQ(log.back(), "Bootwright finished, return code=3010");
        }
    }
}

}  // namespace
