// The program started as a user starts it: its command line, where its
// document comes from, the version question and the single-instance guard.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::BootstrapperPath;
using TestSupport::HasMessage;
using TestSupport::RunSetup;

namespace {

TEST(Startup, AnInvalidCommandLineLogsOnlyItsErrorAndEndsWithMinusOne) {
    const struct {
        const wchar_t* arguments;  // the log file option comes first, so the log is set when parsing stops
        const char* error;
    } cases[] = {
        {L"/q /bogus", "Invalid command-line parameter: /bogus"},
        {L"-Q -X", "Invalid command-line parameter: /X"},
        {L"/q stray", "Unexpected command-line argument: stray"},
        {L"/q /ComponentArgs nocolon", "Invalid component argument: nocolon"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(Ansi(test.arguments));
        Scenario run;
        TestSupport::SetupOptions options;
        options.arguments = run.LogArguments() + L" " + test.arguments;
        EXPECT_EQ(RunSetup(BootstrapperPath(), options), kFailed);
        EXPECT_EQ(run.Log(), (std::vector<std::string>{kErrorPrefix + std::string(test.error)}));
    }
}

TEST(Startup, HelpAtTheSilentLevelShowsNothingAndFinishesWithZero) {
    Scenario run;
    EXPECT_EQ(RunSetup(BootstrapperPath(), run.Options(L"/q /?")), 0u);
    const auto log = run.Log();
    EXPECT_TRUE(HasMessage(log, std::string("Bootwright (BWT) started, version ") + kVersion)) << run.Dump();
    EXPECT_EQ(log.back(), kFinishedZero) << run.Dump();
}

TEST(Startup, HelpAtTheFullLevelShowsTheUsageText) {
    Scenario run;
    TestSupport::SetupProcess setup(BootstrapperPath(), run.Options(L"/help"));
    HWND box = TestSupport::FindProcessDialog(setup.Id());
    ASSERT_NE(box, nullptr);
    const std::wstring text = TestSupport::MessageBoxText(box);
    EXPECT_EQ(text.substr(0, 28), L"Usage: bootwright.exe [args]");
    EXPECT_NE(text.find(L" /DisplayConfig: display a list of configurations"), std::wstring::npos);
    TestSupport::Press(box, IDOK);
    EXPECT_EQ(setup.Wait(), 0u);
    EXPECT_EQ(run.Log().back(), kFinishedZero);
}

TEST(Startup, AMissingConfigurationFileEndsTheRunWithoutFallingBack) {
    Scenario run;
    // The packaged document would run; it must not be used instead.
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("", MarkerComponent("Marker", run.folder / L"marker.txt"))));
    const std::wstring paths[] = {run.folder / L"missing.xml", run.folder.Path()};
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(Ansi(path));
        ::DeleteFileW(run.log.c_str());
        EXPECT_EQ(RunSetup(setup, run.Options(L"/q /ConfigFile \"" + path + L"\"")), kFailed);
        EXPECT_TRUE(HasMessage(run.Log(), kErrorPrefix + std::string("Missing '") + Ansi(path) + "'")) << run.Dump();
        EXPECT_FALSE(FileExists(run.folder / L"marker.txt"));
    }
}

TEST(Startup, AnUnpackagedProgramReadsTheConfigurationBesideIt) {
    Scenario run;
    const std::wstring program = run.folder / L"plain-setup.exe";
    ASSERT_TRUE(::CopyFileW(BootstrapperPath().c_str(), program.c_str(), FALSE));
    const std::wstring beside = run.folder / L"configuration.xml";

    EXPECT_EQ(RunSetup(program, run.Options(L"/q")), kFailed);
    EXPECT_TRUE(HasMessage(run.Log(), kErrorPrefix + std::string("Missing '") + Ansi(beside) + "'")) << run.Dump();

    TestSupport::WriteTextFile(beside, Document(Install("", MarkerComponent("Marker", run.folder / L"marker.txt"))));
    ::DeleteFileW(run.log.c_str());
    EXPECT_EQ(RunSetup(program, run.Options(L"/q")), 0u);
    EXPECT_TRUE(FileExists(run.folder / L"marker.txt"));
    EXPECT_EQ(run.Log().back(), kFinishedZero) << run.Dump();
}

TEST(Startup, ADocumentWithoutSchemaAsksAboutItsVersion) {
    Scenario run;
    const std::wstring document = run.folder / L"old.xml";
    TestSupport::WriteTextFile(
        document, Document(Install("", MarkerComponent("Marker", run.folder / L"marker.txt")), "", false));
    const std::wstring configFile = L"/ConfigFile \"" + document + L"\"";

    // Silent: the question is answered Yes without a window.
    EXPECT_EQ(RunSetup(BootstrapperPath(), run.Options(L"/q " + configFile)), 0u);
    EXPECT_TRUE(FileExists(run.folder / L"marker.txt")) << run.Dump();

    ::DeleteFileW((run.folder / L"marker.txt").c_str());
    ::DeleteFileW(run.log.c_str());
    TestSupport::SetupProcess setup(BootstrapperPath(), run.Options(configFile));
    HWND box = TestSupport::FindProcessDialog(setup.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TestSupport::MessageBoxText(box),
              L"Configuration " + document + L" version 1 does not match bootstrapper version.\r\n"
              L"Open and re-save configuration.xml with editor version 1.7.29433.0.\r\nContinue with installation?");
    TestSupport::Press(box, IDNO);
    EXPECT_EQ(setup.Wait(), kFailed);
    EXPECT_TRUE(HasMessage(run.Log(), kErrorPrefix + std::string("Configuration version in '") + Ansi(document) +
                                          "' 1 does not match bootstrapper version " + kVersion))
        << run.Dump();
    EXPECT_FALSE(FileExists(run.folder / L"marker.txt"));
}

TEST(Startup, ASecondInstanceOnTheSameLogEndsWithMinusOneAndWritesNothing) {
    Scenario run;
    const std::wstring caption = L"First instance " + std::to_wstring(::GetCurrentProcessId());
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("dialog_caption=\"" + Xml(caption) + "\"",
                         MarkerComponent("Marker", run.folder / L"marker.txt"))));
    TestSupport::SetupProcess first(setup, run.Options(L""));
    HWND dialog = TestSupport::FindProcessDialog(first.Id(), caption);
    ASSERT_NE(dialog, nullptr);
    const std::string before = TestSupport::ReadTextFile(run.log);

    // Silent: no message either.
    EXPECT_EQ(RunSetup(setup, run.Options(L"/q")), kFailed);
    EXPECT_EQ(TestSupport::ReadTextFile(run.log), before);

    TestSupport::SetupProcess second(setup, run.Options(L""));
    HWND box = TestSupport::FindProcessDialog(second.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(TestSupport::MessageBoxText(box), L"Quorvane 2012 Setup is already running!");
    TestSupport::Press(box, IDOK);
    EXPECT_EQ(second.Wait(), kFailed);
    EXPECT_EQ(TestSupport::ReadTextFile(run.log), before);

    TestSupport::Press(dialog, IDCANCEL);
    EXPECT_EQ(first.Wait(), kCancelled);
    EXPECT_EQ(run.Log().back(), "Bootwright finished, return code=-2");
    EXPECT_FALSE(FileExists(run.folder / L"marker.txt"));
}

}  // namespace
