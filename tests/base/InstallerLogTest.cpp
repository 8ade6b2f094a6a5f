#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

#include "base/InstallerLog.h"
#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using Kestlib::KernelHandle;
using TestSupport::ReadTextFile;
using TestSupport::TempFolder;

namespace {

const std::regex kLine("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\t([^\r\n]*)\r\n");

// The messages of the log's lines, in order, and whether every line had a time stamp.
std::vector<std::string> Messages(const std::string& text) {
    std::vector<std::string> messages;
    size_t consumed = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), kLine), end; it != end; ++it) {
        EXPECT_EQ(static_cast<size_t>(it->position()), consumed) << "not a log line: " << text.substr(consumed);
        consumed = static_cast<size_t>(it->position() + it->length());
        messages.push_back((*it)[1]);
    }
    EXPECT_EQ(consumed, text.size()) << "not a log line: " << text.substr(consumed);
    return messages;
}

std::wstring UniqueName(const wchar_t* role) {
    return L"Local\\h1-log-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + role;
}

}  // namespace

TEST(InstallerLog, LinesAreTimeStampedAndAppended) {
    TempFolder folder;
    std::wstring path = folder / L"setup.log";
    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"--- first");
        log.Write(L"*** second \u00FC");
    }
    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"next run");
    }
    EXPECT_EQ(Messages(ReadTextFile(path)), (std::vector<std::string>{"--- first", "*** second \xFC", "next run"}));
}

TEST(InstallerLog, MultiLineMessageHasOneTimeStamp) {
    TempFolder folder;
    std::wstring path = folder / L"setup.log";
    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"one\r\ntwo");
    }
    std::string text = ReadTextFile(path);
    EXPECT_EQ(text.size(), 19u + 1u + 8u + 2u);
    EXPECT_EQ(text.substr(19), "\tone\r\ntwo\r\n");
}

TEST(InstallerLog, EmptyMessageWritesNothing) {
    TempFolder folder;
    std::wstring path = folder / L"setup.log";
    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"");
        EXPECT_FALSE(Kestlib::FileExists(path));
        log.Write(L"x");
        log.Write(L"");
    }
    EXPECT_EQ(Messages(ReadTextFile(path)), (std::vector<std::string>{"x"}));
}

TEST(InstallerLog, MissingFoldersAreCreated) {
    TempFolder folder;
    std::wstring path = folder / L"a\\b\\setup.log";
    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"in a new folder");
    }
    EXPECT_EQ(Messages(ReadTextFile(path)), (std::vector<std::string>{"in a new folder"}));
}

TEST(InstallerLog, DefaultFileInTheTemporaryFolder) {
    TempFolder folder;
    const TestSupport::ScopedVariable tmp(L"TMP", folder.Path());
    {
        InstallerLog log;
        log.Write(L"default");
        EXPECT_EQ(log.GetPath(), folder / L"qvn12bs.log");
        // Once open, a new path changes nothing.
        log.SetPath(folder / L"other.log");
        log.Write(L"still default");
    }
    EXPECT_FALSE(Kestlib::FileExists(folder / L"other.log"));
    EXPECT_EQ(Messages(ReadTextFile(folder / L"qvn12bs.log")),
              (std::vector<std::string>{"default", "still default"}));
}

TEST(InstallerLog, LogMacroWritesToTheProcessLog) {
    TempFolder folder;
    // A log opened by an earlier case of this process would keep its file.
    InstallerLog::Release();
    InstallerLog::Instance().SetPath(folder / L"macro.log");
    LOG(L"Read " << 3 << L" item(s)");
    InstallerLog::Release();
    EXPECT_EQ(Messages(ReadTextFile(folder / L"macro.log")), (std::vector<std::string>{"Read 3 item(s)"}));
}

TEST(InstallerLog, FolderInPlaceOfTheFileCannotBeOpened) {
    TempFolder folder;
    std::wstring path = folder / L"taken";
    Kestlib::CreateDirectories(path);
    InstallerLog log;
    log.SetPath(path);
    EXPECT_THROW_MESSAGE(log.Write(L"x"), Kestlib::WideToAnsi(path));
    try {
        log.Write(L"x");
        ADD_FAILURE() << "a folder opened as the log";
    } catch (const Kestlib::LogFileWriteException& e) {
        EXPECT_EQ(e.GetError(), static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    }
}

// The file is the single-instance guard: a second process with the same log
// cannot open it while the first runs, and can once it has ended.
TEST(InstallerLog, SecondProcessCannotOpenAHeldLog) {
    TempFolder folder;
    std::wstring path = folder / L"held.log";
    std::wstring readyName = UniqueName(L"ready");
    std::wstring releaseName = UniqueName(L"release");
    KernelHandle ready(::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
    KernelHandle release(::CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));
    ASSERT_TRUE(ready && release);

    std::wstring command = L"\"" + TestSupport::BinDirectory() + L"log_holder.exe\" \"" + path + L"\" " +
                           readyName + L" " + releaseName;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process));
    KernelHandle holder(process.hProcess);
    KernelHandle holderThread(process.hThread);
    HANDLE waits[] = {ready.Get(), holder.Get()};
    ASSERT_EQ(::WaitForMultipleObjects(2, waits, FALSE, 60000), WAIT_OBJECT_0) << "holder did not start";

    {
        InstallerLog log;
        log.SetPath(path);
        try {
            log.Write(L"second instance");
            ADD_FAILURE() << "the held log opened";
        } catch (const Kestlib::LogFileWriteException& e) {
            EXPECT_EQ(std::string(e.what()), Kestlib::WideToAnsi(path));
            EXPECT_EQ(e.GetError(), static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        }
        // Reading stays possible while it is held.
        EXPECT_EQ(Messages(ReadTextFile(path)).size(), 1u);
    }

    ::SetEvent(release.Get());
    ASSERT_EQ(::WaitForSingleObject(holder.Get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(holder.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);

    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"after the first");
    }
    std::vector<std::string> messages = Messages(ReadTextFile(path));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "held by " + std::to_string(process.dwProcessId));
    EXPECT_EQ(messages[1], "after the first");
}

// A name planted at the log's path that leads to another file: nothing of the
// run reaches that file, the log starts anew under the same name and says so
// first, and the name still keeps a second instance out.
TEST(InstallerLog, AHardLinkAtTheLogPathLeavesItsTargetUntouched) {
    TempFolder folder;
    const std::wstring target = folder / L"elsewhere.txt";
    const std::wstring path = folder / L"setup.log";
    TestSupport::WriteTextFile(target, "not a log");
    ASSERT_TRUE(::CreateHardLinkW(path.c_str(), target.c_str(), nullptr));
    {
        InstallerLog log;
        log.SetPath(path);
        log.Write(L"first line of the run");
        EXPECT_EQ(log.GetPath(), path);
        InstallerLog second;
        second.SetPath(path);
        EXPECT_THROW(second.Write(L"second instance"), Kestlib::LogFileWriteException);
    }
    EXPECT_EQ(ReadTextFile(target), "not a log");
    EXPECT_EQ(Messages(ReadTextFile(path)),
              (std::vector<std::string>{
                  "The log file's name was removed and a new log started: it has further names (hard links)",
                  "first line of the run"}));
}
