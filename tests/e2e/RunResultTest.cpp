// What a silent run reports: the full exit code of the first component that
// failed, and the completion step when everything is already installed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::HasMessage;
using TestSupport::RunSetup;

namespace {

std::string ExitingComponent(const std::string& description, const std::string& code) {
    return "    <component type=\"cmd\" description=\"" + description + "\" command=\"" +
           Xml("\"" + Utf8(TestSupport::BinDirectory()) + "proc_exitcode.exe\" " + code) + "\"/>\n";
}

TEST(RunResult, TheFirstFailureGivesTheWholeExitCodeAndTheLaterComponentsStillRun) {
    Scenario run;
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("", ExitingComponent("Broken", "0xC0000123") +
                                                    ExitingComponent("Also broken", "5") +
                                                    MarkerComponent("Working", run.folder / L"working.txt"))));
    EXPECT_EQ(RunSetup(setup, run.Options(L"/q")), 0xC0000123u);
    EXPECT_TRUE(FileExists(run.folder / L"working.txt"));
    const auto log = run.Log();
    EXPECT_TRUE(HasMessage(log, "*** Component 'Broken' ERROR: Error executing 'Broken': 0xc0000123")) << run.Dump();
    EXPECT_TRUE(HasMessage(log, "--- Component 'Broken' FAILED: Error executing 'Broken': 0xc0000123"));
    EXPECT_TRUE(HasMessage(log, "*** Component 'Also broken' ERROR: Error executing 'Also broken': 0x5"));
    EXPECT_TRUE(HasMessage(log, "*** Component 'Working': SUCCESS"));
    EXPECT_EQ(log.back(), "Bootwright finished, return code=" + std::to_string(static_cast<int>(0xC0000123u)));
}

TEST(RunResult, EverythingInstalledRunsOnlyTheCompletionCommandWithItsArguments) {
    Scenario run;
    const std::wstring marker = run.folder / L"installed.txt";
    const std::wstring done = run.folder / L"done.txt";
    TestSupport::WriteTextFile(marker, "already\r\n");
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("complete_command_silent=\"cmd.exe /c echo\" "
                                            "complete_command=\"cmd.exe /c never\" installation_none=\"Nothing to do\"",
                                            MarkerComponent("Marker", marker))));
    EXPECT_EQ(RunSetup(setup, run.Options(L"/q /CompleteCommandArgs \"done> \\\"" + done + L"\\\"\"")), 0u);
    EXPECT_TRUE(FileExists(done)) << run.Dump();
    EXPECT_EQ(TestSupport::ReadTextFile(marker), "already\r\n");
    const auto log = run.Log();
    EXPECT_TRUE(HasMessage(log, "-- Marker: INSTALLED")) << run.Dump();
    EXPECT_TRUE(HasMessage(log, "Executing complete command: cmd.exe /c echo done> \"" + Ansi(done) + "\""))
        << run.Dump();
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "--- Component 'Marker'"));
    EXPECT_EQ(log.back(), kFinishedZero);
}

// 259 is also the value that reads as "still active": the process handle,
// not the code, tells that the component ended, so its progress window closes.
TEST(RunResult, AComponentEndingWith259IsOverAtTheBasicLevel) {
    Scenario run;
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("", ExitingComponent("Ends with 259", "259 1200") +
                                                    MarkerComponent("After it", run.folder / L"after.txt"))));
    EXPECT_EQ(RunSetup(setup, run.Options(L"/qb")), 259u) << run.Dump();
    EXPECT_TRUE(FileExists(run.folder / L"after.txt"));
    const auto log = run.Log();
    EXPECT_TRUE(HasMessage(log, "--- Component 'Ends with 259: DIALOG CLOSED")) << run.Dump();
    EXPECT_TRUE(HasMessage(log, "*** Component 'Ends with 259' ERROR: Error executing 'Ends with 259': 0x103"));
    EXPECT_TRUE(HasMessage(log, "*** Component 'After it': SUCCESS"));
    EXPECT_EQ(log.back(), "Bootwright finished, return code=259");
}

}  // namespace
