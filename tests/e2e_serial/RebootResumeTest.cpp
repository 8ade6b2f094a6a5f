// A component that needs a restart: the setup registers itself to run at the
// next logon and restarts the machine; the next logon resumes it, and the
// resumed run skips what is installed and completes the rest.
//
// Serial: under Wine a restart ends every windowed program of the prefix, and
// Wine starts the Run entries right after, a second or two after the setup
// ended. The next logon is played by hand (wineboot without arguments runs the
// Run entries) whenever that start did not resume the setup: one case holds
// the log so that the restart's own start finds it held and gives up.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <iostream>
#include <string>

#include "lib/Handles.h"
#include "lib/Process.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/ResultFiles.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::HasMessage;
using TestSupport::RemoveRunValue;
using TestSupport::RunValue;

namespace {

std::wstring DefaultLog() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"qvn12bs.log";
}

// The next logon: Wine's start-up program without arguments runs the Run entries.
void LogOn() {
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(Kestlib::RunProcessAndWait(L"\"" + std::wstring(system) + L"\\wineboot.exe\""), 0u);
}

bool ProcessRunning(const std::wstring& file) {
    Kestlib::KernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, file.c_str()) == 0) return true;
    }
    return false;
}

template <typename Condition>
bool Poll(DWORD milliseconds, Condition condition) {
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (condition()) return true;
        ::Sleep(50);
    }
    return condition();
}

struct RebootCase {
    const char* name;
    bool arguments;         // silent level and a log file on the command line, else nothing at all
    const char* rebootCmd;
    const wchar_t* expectedTail;  // after the quoted program path; the log file stands for %LOG%
    bool holdLog;                 // the restart's own start of the Run entry finds the log held
};

TEST(RebootAndResume, TheResumeCommandIsRegisteredAndTheNextLogonCompletesTheInstallation) {
    const RebootCase cases[] = {
        {"no arguments", false, "", L" /Reboot", false},
        {"arguments and a reboot command", true, "/Log", L" /q /LogFile \"%LOG%\" /Log /Reboot", false},
        {"a reboot command with the option", true, "/Log /Reboot", L" /q /LogFile \"%LOG%\" /Log /Reboot", false},
        {"the option in small letters", true, "/reboot", L" /q /LogFile \"%LOG%\" /reboot /Reboot", true},
    };
    int resumedByRestart = 0;
    for (const RebootCase& test : cases) {
        SCOPED_TRACE(test.name);
        Scenario run;
        const std::wstring name = L"resume-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
        const std::wstring program = run.folder / name;
        ASSERT_TRUE(::CopyFileW(TestSupport::BootstrapperPath().c_str(), program.c_str(), FALSE));
        TestSupport::WriteTextFile(
            run.folder / L"configuration.xml",
            Document(Install("reboot_cmd=\"" + Xml(std::string(test.rebootCmd)) + "\"",
                             MarkerComponent("One", run.folder / L"one.txt",
                                             "mustreboot=\"true\" must_reboot_required=\"true\"") +
                                 MarkerComponent("Two", run.folder / L"two.txt")),
                     "ui_level=\"silent\""));
        const std::wstring log = test.arguments ? run.log : DefaultLog();
        ::DeleteFileW(log.c_str());
        RemoveRunValue(name);

        TestSupport::SetupOptions options;
        if (test.arguments) options.arguments = L"/q " + run.LogArguments();
        std::wstring expected = L"\"" + program + L"\"" + test.expectedTail;
        const size_t placeholder = expected.find(L"%LOG%");
        if (placeholder != std::wstring::npos) expected.replace(placeholder, 5, run.log);

        std::wstring registered;
        {
            TestSupport::SetupProcess first(program, options);
            // The value lives from its writing until the resumed run starts its window.
            Poll(60000, [&] { return !(registered = RunValue(name)).empty() || first.HasEnded(); });
            // Only in the program's own view, which Windows runs at logon as it runs the other:
            // a 32-bit program's HKLM\SOFTWARE is the 32-bit view (SOFTWARE\WOW6432Node).
            EXPECT_EQ(RunValue(name, TestSupport::OtherRegistryView()), L"");
            EXPECT_EQ(first.Wait(), 0u);
        }
        Kestlib::FileHandle held;
        if (test.holdLog) {
            held.Reset(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        }
        EXPECT_EQ(registered, expected);
        EXPECT_TRUE(FileExists(run.folder / L"one.txt"));
        EXPECT_TRUE(HasMessage(TestSupport::ReadLogMessages(log),
                               "Writing HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\" +
                                   Ansi(name) + ": " + Ansi(expected)))
            << "log:\n" << TestSupport::JoinMessages(TestSupport::ReadLogMessages(log));

        auto resumed = [&] {
            const auto messages = TestSupport::ReadLogMessages(log);
            return !messages.empty() && FileExists(run.folder / L"two.txt") && messages.back() == kFinishedZero &&
                   HasMessage(messages, "*** Component 'Two': SUCCESS");
        };
        if (held) {
            // The restart's start finds the log held, ends at once and leaves the value for the next logon.
            bool seen = false;
            Poll(10000, [&] { return (seen |= ProcessRunning(name)) && !ProcessRunning(name); });
            EXPECT_TRUE(seen);
            EXPECT_EQ(RunValue(name), expected);
            EXPECT_FALSE(FileExists(run.folder / L"two.txt"));
            held.Reset();
            LogOn();
            EXPECT_TRUE(Poll(30000, resumed));
        } else if (Poll(10000, resumed)) {
            ++resumedByRestart;
        } else {
            LogOn();
            EXPECT_TRUE(Poll(30000, resumed));
        }
        EXPECT_EQ(RunValue(name), L"");
        const auto messages = TestSupport::ReadLogMessages(log);
        EXPECT_EQ(TestSupport::CountMessages(messages, std::string("Bootwright (BWT) started, version ") + kVersion), 2u)
            << "log:\n" << TestSupport::JoinMessages(messages);
        EXPECT_TRUE(HasMessage(messages, "-- One: INSTALLED"));
        EXPECT_TRUE(HasMessage(messages, "--- Component 'One': SKIPPED"));
        EXPECT_EQ(TestSupport::CountMessages(messages, "--- Component 'One': EXECUTING"), 1u);
        RemoveRunValue(name);
        ::DeleteFileW(log.c_str());
    }
    std::cout << "resumed by the restart itself: " << resumedByRestart << " of " << std::size(cases) << std::endl;
}

}  // namespace

namespace {

// A silent setup under a name of its own whose restarts are followed: each
// restart starts the Run entries itself; a logon is played only when that
// start did not come, so that no start runs a value already replaced.
struct RestartingSetup {
    Scenario run;
    std::wstring name;
    std::wstring program = run.folder / name;
    std::wstring result = run.folder / L"result.json";
    int logons = 0;
    // The first run's result file, read as soon as it ended.
    std::string firstResult;

    RestartingSetup(const wchar_t* prefix, const std::string& components)
        : name(prefix + std::to_wstring(::GetCurrentProcessId()) + L".exe") {
        EXPECT_TRUE(::CopyFileW(TestSupport::BootstrapperPath().c_str(), program.c_str(), FALSE));
        TestSupport::WriteTextFile(run.folder / L"configuration.xml",
                                   Document(Install("", components), "ui_level=\"silent\""));
        RemoveRunValue(name);
        TestSupport::SetupProcess first(program, run.Options(L"/q /ResultFile \"" + result + L"\""));
        EXPECT_EQ(first.Wait(), 0u);
        firstResult = TestSupport::ReadResultFile(result);
    }
    ~RestartingSetup() { RemoveRunValue(name); }

    // Whether done held in time with the program no longer running.
    template <typename Condition>
    bool Follow(Condition done) {
        return Poll(240000, [&] {
            if (done() && !ProcessRunning(name)) return true;
            if (!RunValue(name).empty() && !Poll(8000, [&] { return ProcessRunning(name) || RunValue(name).empty(); })) {
                ++logons;
                LogOn();
            }
            return false;
        });
    }
    // The log line of a resume written before a restart, without its count.
    std::string Written() const {
        return "Writing HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\" + Ansi(name) +
               ": \"" + Ansi(program) + "\" /q /ResultFile \"" + Ansi(result) + "\" /LogFile \"" + Ansi(run.log) +
               "\" /Reboot";
    }
};

// A component whose installed check never turns true asks for a restart at
// every logon: after three restarts in a row the fourth start stops with an
// error that names it, and registers nothing.
TEST(RebootAndResume, ARestartLoopStopsAfterThreeRestartsInARow) {
    TestSupport::TempFolder marks;
    const std::wstring runs = marks / L"runs.txt";
    RestartingSetup setup(L"loop-", MarkerComponent("Installed", marks / L"installed.txt") +
                                        "    <component type=\"cmd\" description=\"Stubborn\" mustreboot=\"true\" command=\"" +
                                        Xml("cmd.exe /c echo run>> \"" + Utf8(runs) + "\"") +
                                        "\">\n      <installedcheck type=\"check_file\" filename=\"" +
                                        Xml(marks / L"never.txt") + "\"/>\n    </component>\n");
    const std::string stopped =
        "*** Failed to install one or more components: Component 'Stubborn' still asks for a restart after 3 "
        "restarts in a row; the installation stops";
    EXPECT_TRUE(setup.Follow([&] { return HasMessage(setup.run.Log(), stopped); })) << setup.run.Dump();
    const auto messages = setup.run.Log();
    EXPECT_TRUE(HasMessage(messages, setup.Written())) << setup.run.Dump();
    // The second of the configuration's components, each time.
    EXPECT_TRUE(HasMessage(messages, setup.Written() + " /RebootCount 2:1:2"));
    EXPECT_TRUE(HasMessage(messages, setup.Written() + " /RebootCount 3:1:2"));
    EXPECT_EQ(TestSupport::CountMessages(messages, std::string("Bootwright (BWT) started, version ") + kVersion), 4u);
    EXPECT_EQ(TestSupport::CountMessages(messages, "--- Component 'Stubborn': EXECUTING"), 4u);
    EXPECT_EQ(TestSupport::CountMessages(messages, kFinishedZero), 3u);
    EXPECT_EQ(messages.back(), stopped);
    EXPECT_EQ(TestSupport::ReadTextFile(runs), "run\r\nrun\r\nrun\r\nrun\r\n");
    EXPECT_EQ(RunValue(setup.name), L"");
    std::cout << "logons played: " << setup.logons << std::endl;
}

// Four prerequisites that each ask for one restart, as several updates in a
// row do: each restart is another component's, so the run never counts more
// than two in a row and the chain completes after four restarts.
TEST(RebootAndResume, FourPrerequisitesThatEachAskOnceInstallInFourRestarts) {
    TestSupport::TempFolder marks;
    std::string components;
    for (const wchar_t* prerequisite : {L"One", L"Two", L"Three", L"Four"})
        components += MarkerComponent(Utf8(prerequisite), marks / (prerequisite + std::wstring(L".txt")),
                                      "mustreboot=\"true\"");
    RestartingSetup setup(L"chain-", components);
    // The first run restarted after its first component.
    const std::string& first = setup.firstResult;
    EXPECT_EQ(TestSupport::ResultField(first, "exitCode"), "0") << first;
    EXPECT_EQ(TestSupport::ResultField(first, "restartRequired"), "true");
    EXPECT_EQ(TestSupport::ResultField(first, "restartStarted"), "true");
    EXPECT_EQ(TestSupport::ResultField(first, "outcome", "One"), "\"succeeded\"");
    EXPECT_EQ(TestSupport::ResultField(first, "outcome", "Two"), "\"skipped\"");
    EXPECT_TRUE(setup.Follow([&] {
        return TestSupport::CountMessages(setup.run.Log(), kFinishedZero) == 5 && RunValue(setup.name).empty();
    })) << setup.run.Dump();
    const auto messages = setup.run.Log();
    EXPECT_TRUE(HasMessage(messages, setup.Written())) << setup.run.Dump();
    for (const char* count : {" /RebootCount 2:1:2", " /RebootCount 1:1:3", " /RebootCount 1:1:4"})
        EXPECT_TRUE(HasMessage(messages, setup.Written() + count)) << count;
    EXPECT_EQ(TestSupport::CountMessages(messages, std::string("Bootwright (BWT) started, version ") + kVersion), 5u);
    for (const char* prerequisite : {"One", "Two", "Three", "Four"}) {
        EXPECT_EQ(TestSupport::CountMessages(messages, std::string("--- Component '") + prerequisite + "': EXECUTING"), 1u)
            << prerequisite;
    }
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(messages, "*** Failed to install"));
    EXPECT_EQ(messages.back(), kFinishedZero);
    std::cout << "logons played: " << setup.logons << std::endl;
}

}  // namespace
