// What a setup downloads is held from its check to the end of the run, and
// names planted where the run writes (the default log, a download's
// temporary file) lead nowhere: another process can neither change the
// program that runs nor have the run write into a file of its choosing.
#include <gtest/gtest.h>

#include <string>

#include "lib/FolderSecurity.h"
#include "lib/Sha256.h"
#include "lib/TextConversion.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/LocalHttpServer.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

std::string Download(const std::wstring& url, const std::wstring& folder, const std::string& body) {
    return "      <downloaddialog dialog_caption=\"Tools\" autostartdownload=\"true\"><download componentname=\"tool\" "
           "sourceurl=\"" + Xml(url) + "\" destinationpath=\"" + Xml(folder) + "\" destinationfilename=\"tool.exe\" "
           "sha256=\"" + Utf8(Kestlib::Sha256OfBytes(body.data(), body.size())) + "\"/></downloaddialog>\n";
}

std::string Command(const std::string& description, const std::wstring& command, const std::wstring& marker,
                    const std::string& children = std::string()) {
    return "    <component type=\"cmd\" description=\"" + description + "\" command=\"" + Xml(command) +
           "\">\n      <installedcheck type=\"check_file\" filename=\"" + Xml(marker) + "\"/>\n" + children +
           "    </component>\n";
}

}  // namespace

// The first component downloads a program and then tries to put another in
// its place, to rename it and to delete it; the second runs it. Every attempt
// fails, and the program that runs is the one that was checked.
TEST(HeldDownloads, AComponentCannotChangeADownloadedProgramBeforeItRuns) {
    Scenario run;
    const std::string program = TestSupport::ReadTextFile(TestSupport::BinDirectory() + L"proc_printargs.exe");
    TestSupport::LocalHttpServer server;
    server.Add("/tool.exe", TestSupport::HttpRoute{200, program, 1, 0});
    const std::wstring downloads = run.folder / L"downloads";
    const std::wstring tool = downloads + L"\\tool.exe";
    const std::wstring impostor = TestSupport::BinDirectory() + L"proc_exitcode.exe";
    const std::wstring tampered = run.folder / L"tampered.txt";
    const std::wstring output = run.folder / L"ran.txt";
    const std::wstring tamper = L"cmd.exe /c copy /y \"" + impostor + L"\" \"" + tool + L"\" & ren \"" + tool +
                                L"\" renamed.exe & del /f /q \"" + tool + L"\" & echo tried> \"" + tampered + L"\"";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("", Command("Tamper", tamper, tampered, Download(server.Url("/tool.exe"), downloads, program)) +
                                 Command("Tool", L"\"" + tool + L"\" checked", output))));

    TestSupport::SetupOptions options = run.Options(L"/q");
    options.environment = {{L"PROC_PRINTARGS_OUTPUT", output}};
    EXPECT_EQ(TestSupport::RunSetup(setup, options), 0u) << run.Dump();
    EXPECT_TRUE(FileExists(tampered)) << run.Dump();
    EXPECT_EQ(TestSupport::ReadTextFile(output), "\"" + Utf8(tool) + "\" checked") << run.Dump();
    EXPECT_EQ(TestSupport::ReadTextFile(tool), program);
    EXPECT_FALSE(FileExists(downloads + L"\\renamed.exe"));
    const std::vector<std::string> log = run.Log();
    EXPECT_EQ(log.back(), kFinishedZero);
    // The folder the run made is its own (Wine keeps no access lists: the descriptor is what was given).
    EXPECT_TRUE(TestSupport::HasMessage(log, "Protected folder: " + TestSupport::Ansi(downloads) + " (O:BAD:P(A;OICI;FA;;;SY)" +
                                                 "(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;" +
                                                 TestSupport::Ansi(Kestlib::CurrentUserSid()) + "))"))
        << run.Dump();
}

// Hard links planted at the default log's name and at a download's temporary
// name, each to a file of someone else's: both files stay as they were; the
// log starts anew under its own name and says why, the download arrives.
TEST(HeldDownloads, HardLinksAtTheDefaultLogAndADownloadTemporaryLeaveTheirTargetsAlone) {
    Scenario run;
    const std::string body = "downloaded tool";
    TestSupport::LocalHttpServer server;
    server.Add("/tool.exe", TestSupport::HttpRoute{200, body, 1, 0});
    const std::wstring downloads = run.folder / L"downloads";
    ASSERT_TRUE(::CreateDirectoryW(downloads.c_str(), nullptr));
    const std::wstring logTarget = run.folder / L"someone's.log";
    const std::wstring fileTarget = run.folder / L"someone's.bin";
    const std::wstring log = run.folder / L"qvn12bs.log";
    TestSupport::WriteTextFile(logTarget, "not the setup's log");
    TestSupport::WriteTextFile(fileTarget, "not the setup's file");
    ASSERT_TRUE(::CreateHardLinkW(log.c_str(), logTarget.c_str(), nullptr));
    ASSERT_TRUE(::CreateHardLinkW((downloads + L"\\tool.exe.tmp").c_str(), fileTarget.c_str(), nullptr));
    const std::wstring marker = run.folder / L"ran.txt";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("", MarkerComponent("Tool", marker, "", Download(server.Url("/tool.exe"), downloads, body)))));

    // No /LogFile: the log goes to the default name in the temporary folder.
    TestSupport::SetupOptions options;
    options.arguments = L"/q";
    options.environment = {{L"TEMP", run.folder.Path()}, {L"TMP", run.folder.Path()}};
    const std::vector<std::string> messages = [&] {
        EXPECT_EQ(TestSupport::RunSetup(setup, options), 0u);
        return TestSupport::ReadLogMessages(log);
    }();
    EXPECT_EQ(TestSupport::ReadTextFile(logTarget), "not the setup's log");
    EXPECT_EQ(TestSupport::ReadTextFile(fileTarget), "not the setup's file");
    EXPECT_EQ(TestSupport::ReadTextFile(downloads + L"\\tool.exe"), body);
    EXPECT_FALSE(FileExists(downloads + L"\\tool.exe.tmp"));
    EXPECT_TRUE(FileExists(marker));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(),
              "The log file's name was removed and a new log started: it has further names (hard links)")
        << TestSupport::JoinMessages(messages);
    EXPECT_EQ(messages.back(), kFinishedZero) << TestSupport::JoinMessages(messages);
}
