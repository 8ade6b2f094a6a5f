// A setup whose download server cuts the body short: the run fails on the
// download, never runs the component, and leaves the file it had untouched.
#include <gtest/gtest.h>

#include <string>

#include "components/ProcessComponent.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

TEST(DownloadFault, AShortBodyFailsTheRunAndKeepsTheOldFile) {
    Scenario run;
    TestSupport::LocalHttpServer server;
    TestSupport::HttpRoute route{200, std::string(100000, 'n'), 2, 100};
    route.fault = TestSupport::HttpFault::CloseMidBody;
    server.Add("/tool.exe", route);
    const std::wstring downloads = run.folder / L"downloads";
    ASSERT_TRUE(::CreateDirectoryW(downloads.c_str(), nullptr));
    TestSupport::WriteTextFile(downloads + L"\\tool.exe", "old tool");
    const std::wstring marker = run.folder / L"ran.txt";
    const std::string download =
        "      <downloaddialog dialog_caption=\"Tools\" autostartdownload=\"true\"><download componentname=\"tool\" "
        "sourceurl=\"" + Xml(server.Url("/tool.exe")) + "\" destinationpath=\"" + Xml(downloads) + "\"/></downloaddialog>\n";
    const std::wstring setup =
        TestSupport::PackageSetup(run.folder.Path(), Document(Install("", MarkerComponent("Tool", marker, "", download))));

    // The component never started: the run ends with the code of a component that did not start.
    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), static_cast<DWORD>(ProcessComponent::NotStartedExitCode)) << run.Dump();
    const std::vector<std::string> log = run.Log();
    EXPECT_TRUE(TestSupport::HasMessage(log, "*** Component 'Tool: ERROR ON DOWNLOAD")) << run.Dump();
    EXPECT_TRUE(TestSupport::HasMessageStartingWith(
        log, "The following error was caught in DownloadDialog::ExecOnThread(): Error downloading \"" +
                 TestSupport::Ansi(server.Url("/tool.exe")) + "\" to \"" + TestSupport::Ansi(downloads) +
                 "\\tool.exe.tmp\": the connection ended after 50000 of 100000 bytes"))
        << run.Dump();
    EXPECT_FALSE(FileExists(marker));
    EXPECT_EQ(TestSupport::ReadTextFile(downloads + L"\\tool.exe"), "old tool");
    EXPECT_EQ(server.RequestCount("/tool.exe"), 1);
}
