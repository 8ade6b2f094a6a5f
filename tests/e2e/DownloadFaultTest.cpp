// Setups whose downloads go wrong on the way: a body cut short (with an
// announced length, or in chunks before the last one) fails the run, never
// runs the component and leaves the file it had untouched; an https download
// redirected to plain http is refused before anything is asked of the http
// server.
#include <gtest/gtest.h>

#include <string>

#include "components/ProcessComponent.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/LocalTlsServer.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

std::string DownloadList(const std::wstring& folder, const std::vector<std::wstring>& urls) {
    std::string list = "      <downloaddialog dialog_caption=\"Tools\" autostartdownload=\"true\">";
    int number = 0;
    for (const std::wstring& url : urls)
        list += "<download componentname=\"tool\" sourceurl=\"" + Xml(url) + "\" destinationpath=\"" + Xml(folder) +
                "\" destinationfilename=\"tool" + std::to_string(++number) + ".exe\"/>";
    return list + "</downloaddialog>\n";
}

}  // namespace

TEST(DownloadFault, ABodyCutShortFailsTheRunAndKeepsTheOldFile) {
    const struct {
        const char* name;
        bool chunked;
        std::string error;
    } cases[] = {
        {"announced length", false, ": the connection ended after 50000 of 100000 bytes"},
        {"chunks", true, ": the connection ended after 50000 bytes, before the last chunk of the body"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        Scenario run;
        TestSupport::LocalHttpServer server;
        TestSupport::HttpRoute route{200, std::string(100000, 'n'), 2, 100, TestSupport::HttpFault::CloseMidBody};
        route.chunked = row.chunked;
        route.ranges = true;
        server.Add("/tool.exe", route);
        const std::wstring downloads = run.folder / L"downloads";
        ASSERT_TRUE(::CreateDirectoryW(downloads.c_str(), nullptr));
        TestSupport::WriteTextFile(downloads + L"\\tool1.exe", "old tool");
        const std::wstring marker = run.folder / L"ran.txt";
        const std::wstring setup = TestSupport::PackageSetup(
            run.folder.Path(),
            Document(Install("", MarkerComponent("Tool", marker, "", DownloadList(downloads, {server.Url("/tool.exe")})))));

        // The component never started: the run ends with the code of a component that did not start.
        EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), static_cast<DWORD>(ProcessComponent::NotStartedExitCode))
            << run.Dump();
        const std::vector<std::string> log = run.Log();
        EXPECT_TRUE(TestSupport::HasMessage(log, "*** Component 'Tool: ERROR ON DOWNLOAD")) << run.Dump();
        EXPECT_TRUE(TestSupport::HasMessageStartingWith(
            log, "The following error was caught in DownloadDialog::ExecOnThread(): Error downloading \"" +
                     TestSupport::Ansi(server.Url("/tool.exe")) + "\" to \"" + TestSupport::Ansi(downloads) +
                     "\\tool1.exe.tmp\"" + row.error))
            << run.Dump();
        EXPECT_FALSE(FileExists(marker));
        EXPECT_EQ(TestSupport::ReadTextFile(downloads + L"\\tool1.exe"), "old tool");
    }
}

TEST(DownloadFault, AnHttpsDownloadIsNeverRedirectedToPlainHttp) {
    Scenario run;
    TestSupport::LocalHttpServer plain;
    plain.Add("/tool.exe", TestSupport::HttpRoute{200, "unencrypted tool", 1, 0});
    TestSupport::LocalTlsServer secure(2);
    secure.Add("tool.exe", "HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\nsecure tool");
    secure.Add("moved.exe", "HTTP/1.0 302 Found\r\nLocation: " + TestSupport::Ansi(plain.Url("/tool.exe")) +
                                "\r\nContent-Length: 0\r\n\r\n");
    const std::wstring downloads = run.folder / L"downloads";
    const std::wstring marker = run.folder / L"ran.txt";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("", MarkerComponent("Tool", marker, "",
                                                                DownloadList(downloads, {secure.Url("tool.exe"),
                                                                                         secure.Url("moved.exe")})))));

    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), static_cast<DWORD>(ProcessComponent::NotStartedExitCode))
        << run.Dump();
    EXPECT_EQ(TestSupport::ReadTextFile(downloads + L"\\tool1.exe"), "secure tool");
    EXPECT_TRUE(TestSupport::HasMessage(
        run.Log(), "The following error was caught in DownloadDialog::ExecOnThread(): Error downloading \"" +
                       TestSupport::Ansi(secure.Url("moved.exe")) + "\" to \"" + TestSupport::Ansi(downloads) +
                       "\\tool2.exe.tmp\": refused the redirect from https to the unencrypted address '" +
                       TestSupport::Ansi(plain.Url("/tool.exe")) + "'"))
        << run.Dump();
    EXPECT_EQ(plain.RequestCount("/tool.exe"), 0);
    EXPECT_FALSE(FileExists(downloads + L"\\tool2.exe"));
    EXPECT_FALSE(FileExists(marker));
}
