#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerSession.h"
#include "config/InstallConfiguration.h"
#include "lib/FileOps.h"
#include "lib/StringUtils.h"
#include "lib/TextConversion.h"
#include "sequence/CompleteInstallation.h"
#include "sequence/ExtractionFolderCleanup.h"
#include "tests/base/LogCapture.h"
#include "tests/components/ProcessTesting.h"
#include "tests/support/Expect.h"

using namespace ProcessTesting;

namespace {

class CompletionTest : public ProcessComponentTestBase {
protected:
    void TearDown() override {
        InstallerCommandLineInfo::Release();
        ApplicationTitle::Release();
        ProcessComponentTestBase::TearDown();
    }

    LogCapture log;
    TestSupport::TempFolder folder;
};

std::string Ansi(const std::wstring& text) { return Kestlib::WideToAnsi(text); }

TEST_F(CompletionTest, RunsTheCommandForTheLevelWithTheExtraArguments) {
    const std::wstring output = folder / L"args.txt";
    ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", output);
    const std::wstring p = Program(L"proc_printargs.exe");
    struct Case {
        int level;
        std::wstring full, basic, silent, arguments;
        bool wait;
        std::wstring command;  // as logged; empty: nothing runs
    } cases[] = {
        {UiLevelSilent, p + L" f", p + L" b", p + L" s", L"", true, p + L" s"},
        {UiLevelBasic, p + L" f", p + L" b", p + L" s", L"", true, p + L" b"},
        {UiLevelFull, p + L" f", p + L" b", p + L" s", L"", true, p + L" f"},
        {UiLevelSilent, p + L" f", L"", L"", L"", true, p + L" f"},
        {UiLevelSilent, p + L" f", L"", p + L" s", L"x \"y z\"", true, p + L" s x \"y z\""},
        // The arguments alone make a command that begins with the blank; the
        // program starts all the same.
        {UiLevelSilent, L"", L"", L"", p + L" only", true, L" " + p + L" only"},
        {UiLevelSilent, L"", L"", L"", p + L" only", false, L" " + p + L" only"},
        {UiLevelSilent, p + L" f", L"", L"", L"", false, p + L" f"},
        {UiLevelSilent, L"", L"", L"", L"", true, L""},
    };
    for (const Case& c : cases) {
        const std::string name = Ansi(c.command);
        ::DeleteFileW(output.c_str());
        SetLevel(c.level);
        InstallerCommandLineInfo::Instance().completeCommandArgs = c.arguments;
        InstallConfiguration configuration;
        configuration.complete_command = c.full;
        configuration.complete_command_basic = c.basic;
        configuration.complete_command_silent = c.silent;
        configuration.wait_for_complete_command = c.wait;
        LogCapture caseLog;
        CompleteInstallation(&configuration, false);
        EXPECT_TRUE(caseLog.HasLine("--- Complete Command")) << name;
        const std::string text = caseLog.Text();
        if (c.command.empty()) {
            EXPECT_EQ(text.find("complete command:"), std::string::npos);
            EXPECT_FALSE(FileExists(output));
            continue;
        }
        EXPECT_TRUE(caseLog.HasLine((c.wait ? "Executing" : "Detaching") + std::string(" complete command: ") + name))
            << name;
        // Waited for, the program has ended and written its file by the time the call returns.
        std::string written;
        if (c.wait) {
            EXPECT_TRUE(FileExists(output)) << name;
            written = TestSupport::ReadTextFile(output);
        } else {
            EXPECT_TRUE(TestSupport::WaitAndReadFile(output, &written)) << name;
        }
        EXPECT_EQ(written, Ansi(Kestlib::TrimLeft(c.command, L" "))) << name;
    }
}

TEST_F(CompletionTest, WithoutAConfigurationItFails) {
    EXPECT_THROW_MESSAGE(CompleteInstallation(nullptr, true), "Invalid configuration");
    EXPECT_TRUE(log.HasLine("--- Complete Command"));
    EXPECT_THROW_MESSAGE(CleanupExtractionFolder(nullptr), "Invalid configuration");
}

// Answers the first message box of this process and keeps its text.
class MessageReader {
public:
    explicit MessageReader(const std::wstring& caption)
        : m_thread([this, caption] {
              for (int i = 0; i < 2000; ++i) {
                  if (HWND box = ::FindWindowW(L"#32770", caption.c_str())) {
                      wchar_t text[256] = {};
                      ::GetDlgItemTextW(box, 0xFFFF, text, 256);
                      m_text = text;
                      ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                      return;
                  }
                  ::Sleep(10);
              }
          }) {}
    std::wstring Text() {
        m_thread.join();
        return m_text;
    }

private:
    std::wstring m_text;
    std::thread m_thread;
};

TEST_F(CompletionTest, TheMessageSaysWhetherAnythingWasInstalled) {
    const std::wstring caption = L"Completion " + std::to_wstring(::GetCurrentProcessId());
    ApplicationTitle::Instance().SetTitle(caption);
    SetLevel(UiLevelFull);
    struct Case {
        const wchar_t* none;
        bool nothingInstalled;
        const wchar_t* shown;
    } cases[] = {
        {L"Nothing to do", true, L"Nothing to do"},
        {L"", true, L"All done"},
        {L"Nothing to do", false, L"All done"},
    };
    for (const Case& c : cases) {
        InstallConfiguration configuration;
        configuration.installation_completed = L"All done";
        configuration.installation_none = c.none;
        MessageReader reader(caption);
        CompleteInstallation(&configuration, c.nothingInstalled);
        EXPECT_EQ(reader.Text(), c.shown);
    }
}

TEST_F(CompletionTest, CleanupDeletesOnlyARemovableExtractionFolder) {
    const std::wstring cab = folder / L"cab";
    // Files in the refused folders show that nothing in them was touched.
    const std::wstring rootMarker = L"C:\\bwtest-cleanup-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    const std::wstring temp = Kestlib::GetTemporaryDirectory();
    const std::wstring tempMarker = temp + L"\\bwtest-cleanup-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    ScopedVariable variable(L"BWTEST_CAB", cab);
    enum Outcome { Kept, Deleted, Refused, Absent };
    struct Case {
        std::wstring cabPath;  // "made": empty, with the session's default folder made
        bool autodelete;
        std::wstring folder;
        Outcome outcome;
    } cases[] = {
        {cab, false, cab, Kept},
        {cab, true, cab, Deleted},
        {L"%BWTEST_CAB%", true, cab, Deleted},
        {L"made", true, L"", Deleted},
        {L"made", false, L"", Kept},
        {L"", true, L"", Absent},
        {folder / L"missing", true, folder / L"missing", Absent},
        {L"C:\\", true, L"C:\\", Refused},
        {L"C:", true, L"C:", Refused},
        {temp, true, temp, Refused},
    };
    for (const Case& c : cases) {
        const std::string name = Ansi(c.cabPath);
        InstallerSession::Release();
        Kestlib::CreateDirectories(cab + L"\\sub");
        TestSupport::WriteTextFile(cab + L"\\sub\\file.txt", "x");
        TestSupport::WriteTextFile(rootMarker, "keep");
        TestSupport::WriteTextFile(tempMarker, "keep");
        InstallConfiguration configuration;
        configuration.cab_path_autodelete = c.autodelete;
        std::wstring target = c.folder;
        if (c.cabPath == L"made") {
            target = InstallerSession::Instance().GetDefaultCabPath();
            TestSupport::WriteTextFile(target + L"\\file.txt", "x");
        } else {
            configuration.cab_path = c.cabPath;
        }
        LogCapture caseLog;
        CleanupExtractionFolder(&configuration);
        EXPECT_EQ(caseLog.HasLine("Deleting temporary folder: " + Ansi(target)), c.outcome == Deleted) << name;
        EXPECT_EQ(caseLog.HasLine("Not deleting temporary folder, it is a root or protected folder: " + Ansi(target)),
                  c.outcome == Refused)
            << name;
        if (!target.empty()) {
            EXPECT_EQ(Kestlib::DirectoryExists(target), c.outcome == Kept || c.outcome == Refused) << name;
        }
        EXPECT_EQ(FileExists(cab + L"\\sub\\file.txt"), target != cab || c.outcome == Kept) << name;
        EXPECT_TRUE(FileExists(rootMarker)) << name;
        EXPECT_TRUE(FileExists(tempMarker)) << name;
        if (c.cabPath == L"made") Kestlib::DeleteDirectory(target, 7);
    }
    ::DeleteFileW(rootMarker.c_str());
    ::DeleteFileW(tempMarker.c_str());
}

}  // namespace
