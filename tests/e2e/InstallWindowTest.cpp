// Installing through the main window of a packaged setup: the payload is
// extracted and the component runs behind their progress windows; the window
// closes once everything reads installed, or stays open after a failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::HasMessage;

namespace {

std::wstring Caption(const wchar_t* base) { return base + std::to_wstring(::GetCurrentProcessId()); }

TEST(InstallWindow, InstallExtractsThePayloadRunsTheComponentAndCleansUp) {
    Scenario run;
    TestSupport::WriteTextFile(run.folder / L"readme.txt", "Payload text\r\n");
    const std::wstring copied = run.folder / L"copied.txt";
    const std::wstring caption = Caption(L"Install window ");
    const std::string component =
        "    <component type=\"cmd\" description=\"Copy\" command=\"" +
        Xml("cmd.exe /c copy \"#CABPATH\\readme.txt\" \"" + Utf8(copied) + "\"") + "\">\n"
        "      <installedcheck type=\"check_file\" filename=\"" + Xml(copied) + "\"/>\n"
        "      <embedfile sourcefilepath=\"readme.txt\"/>\n"
        "    </component>\n";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("dialog_caption=\"" + Xml(caption) + "\"", component)));
    TestSupport::SetupProcess process(setup, run.Options(L""));
    HWND dialog = TestSupport::FindProcessDialog(process.Id(), caption);
    ASSERT_NE(dialog, nullptr);
    TestSupport::Press(dialog, IDC_INSTALL);
    EXPECT_EQ(process.Wait(), 0u) << run.Dump();
    EXPECT_EQ(TestSupport::ReadTextFile(copied), "Payload text\r\n");
    const auto log = run.Log();
    EXPECT_TRUE(HasMessage(log, "*** Component 'Copy': SUCCESS")) << run.Dump();
    const std::string deleting = "Deleting temporary folder: ";
    bool deleted = false;
    for (const std::string& message : log) {
        if (message.compare(0, deleting.size(), deleting) != 0) continue;
        deleted = true;
        EXPECT_FALSE(FolderExists(Kestlib::AnsiToWide(message.substr(deleting.size())))) << message;
    }
    EXPECT_TRUE(deleted) << run.Dump();
    EXPECT_EQ(log.back(), kFinishedZero);
}

TEST(InstallWindow, AFailureKeepsTheWindowOpenAndCancelKeepsItsCode) {
    Scenario run;
    const std::wstring caption = Caption(L"Failing install ");
    const std::string component = "    <component type=\"cmd\" description=\"Broken\" command=\"" +
                                  Xml("\"" + Utf8(TestSupport::BinDirectory()) + "proc_exitcode.exe\" 7") + "\"/>\n";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("dialog_caption=\"" + Xml(caption) + "\"", component)));
    TestSupport::SetupProcess process(setup, run.Options(L""));
    HWND dialog = TestSupport::FindProcessDialog(process.Id(), caption);
    ASSERT_NE(dialog, nullptr);
    TestSupport::Press(dialog, IDC_INSTALL);
    bool failed = false;
    for (int waited = 0; waited < 20000 && !failed; waited += 50) {
        failed = HasMessage(run.Log(), "--- Component 'Broken' FAILED: Error executing 'Broken': 0x7");
        ::Sleep(50);
    }
    ASSERT_TRUE(failed) << run.Dump();
    // The window is still there to be cancelled.
    HWND still = TestSupport::FindProcessDialog(process.Id(), caption);
    ASSERT_EQ(still, dialog);
    TestSupport::Press(dialog, IDCANCEL);
    EXPECT_EQ(process.Wait(), 7u);
    EXPECT_EQ(run.Log().back(), "Bootwright finished, return code=7");
}

}  // namespace
