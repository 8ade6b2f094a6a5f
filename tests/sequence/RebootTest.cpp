#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/RebootCount.h"
#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/Registry.h"
#include "lib/TextConversion.h"
#include "sequence/RebootCommandLine.h"
#include "sequence/RebootRunKey.h"
#include "sequence/RestartLoopGuard.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

TEST(RebootCommandLine, BuiltFromTheFirstRun) {
    const std::wstring program = L"C:\\Setup Files\\setup.exe";
    const std::wstring quoted = L"\"" + program + L"\"";
    struct Case {
        const wchar_t* launcherPath;
        const wchar_t* arguments;  // as typed after the program name
        int argumentCount;
        const wchar_t* launcherArgs;
        const wchar_t* rebootCmd;
        std::wstring expected;
    } cases[] = {
        {L"", L"", 1, L"", L"", quoted + L" /Reboot"},
        {L"", L" /q /LogFile \"C:\\Log Files\\setup.log\"", 4, L"", L"/ComponentArgs app:/x",
         quoted + L" /q /LogFile \"C:\\Log Files\\setup.log\" /ComponentArgs app:/x /Reboot"},
        {L"D:\\launch.exe", L" /q /Launcher D:\\launch.exe /LauncherArgs \"-x 1\"", 6, L"-x 1", L"",
         L"\"D:\\launch.exe\" /q /Launcher D:\\launch.exe /LauncherArgs \"-x 1\" -x 1 /Reboot"},
        {L"", L"", 1, L"", L"/Reboot /nq", quoted + L" /Reboot /nq"},
        {L"", L"", 1, L"", L"/reboot", quoted + L" /reboot /Reboot"},
        // A resumed run already carries the option.
        {L"", L" /q /Reboot", 3, L"", L"", quoted + L" /q /Reboot"},
        // White space around the arguments is dropped, inside it kept.
        {L"", L" \t /q   /nq \r\n", 3, L"", L"", quoted + L" /q   /nq /Reboot"},
    };
    for (const Case& c : cases) {
        RebootCommandLineParts parts;
        parts.launcherPath = c.launcherPath;
        parts.programPath = program;
        parts.commandLine = quoted + c.arguments;
        parts.programName = program;
        parts.argumentCount = c.argumentCount;
        parts.launcherArgs = c.launcherArgs;
        EXPECT_EQ(BuildRebootCommandLine(parts, c.rebootCmd), c.expected) << Kestlib::WideToAnsi(c.arguments);
    }
    // A program name typed without quotes is skipped by its length alone.
    RebootCommandLineParts unquoted;
    unquoted.programPath = program;
    unquoted.programName = L"setup";
    unquoted.commandLine = L"setup /q";
    unquoted.argumentCount = 2;
    EXPECT_EQ(BuildRebootCommandLine(unquoted, L""), quoted + L" /q /Reboot");
}

TEST(RebootCount, CountsTheRestartsInARowOfOneComponentOnTheResumeCommandLine) {
    struct Case {
        const char* name;
        RebootCount previous;
        int configuration, component;
        RebootCount next;
        const wchar_t* written;
    } cases[] = {
        // The first restart of a run keeps the resume command line as it always was.
        {"a first restart", {0, 0, 0}, 2, 3, {1, 2, 3}, L""},
        // /Reboot alone: one restart of a component not named, which counts as the one that asks.
        {"after a plain resume", {1, 0, 0}, 1, 2, {2, 1, 2}, L"2:1:2"},
        {"the same component again", {2, 1, 2}, 1, 2, {3, 1, 2}, L"3:1:2"},
        {"one too many", {3, 1, 2}, 1, 2, {4, 1, 2}, L"4:1:2"},
        // The next prerequisite of a chain, each asking once.
        {"another component of the configuration", {2, 1, 2}, 1, 3, {1, 1, 3}, L"1:1:3"},
        {"another configuration", {3, 1, 2}, 2, 2, {1, 2, 2}, L"1:2:2"},
        // The form an earlier build wrote names no component.
        {"a count without its component", {2, 1, 0}, 1, 4, {3, 1, 4}, L"3:1:4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RebootCount next = NextReboot(c.previous, c.configuration, c.component);
        EXPECT_EQ(next.count, c.next.count);
        EXPECT_EQ(next.configuration, c.next.configuration);
        EXPECT_EQ(next.component, c.next.component);
        EXPECT_EQ(ResumeRebootCount(c.previous, next), c.written);
    }
    const RebootCount parsed = ParseRebootCount(L"12:3:4");
    EXPECT_EQ(RebootCountText(parsed), L"12:3:4");
    EXPECT_EQ(ParseRebootCount(L"2:1").component, 0);
    for (const wchar_t* bad : {L"", L"2", L"0:1:1", L"2:0:1", L"2:1:0", L"2:", L":1", L"-2:1", L"2:1:1:1",
                               L"2:1:", L"1234567:1"})
        EXPECT_THROW_MESSAGE(ParseRebootCount(bad), "Invalid reboot count: " + Kestlib::WideToAnsi(bad));

    // The count the typed arguments carried gives way to the new one; what surrounds it stays as typed.
    const std::wstring quoted = L"\"C:\\setup.exe\"";
    RebootCommandLineParts parts;
    parts.programPath = L"C:\\setup.exe";
    parts.programName = parts.programPath;
    parts.argumentCount = 6;
    parts.commandLine = quoted + L" /q /Reboot /rebootcount  2:1 /LogFile \"a b.log\"";
    parts.rebootCount = L"3:1";
    EXPECT_EQ(BuildRebootCommandLine(parts, L""), quoted + L" /q /Reboot /LogFile \"a b.log\" /RebootCount 3:1");
    parts.commandLine = quoted + L" /RebootCount 2:1";
    parts.argumentCount = 3;
    EXPECT_EQ(BuildRebootCommandLine(parts, L""), quoted + L" /Reboot /RebootCount 3:1");
    // A longer option of another name is not it.
    parts.commandLine = quoted + L" /RebootCountX 2:1 /Reboot";
    parts.argumentCount = 4;
    parts.rebootCount.clear();
    EXPECT_EQ(BuildRebootCommandLine(parts, L""), quoted + L" /RebootCountX 2:1 /Reboot");
}

// A copy of the helper program under a name of its own, so that cases running
// side by side never share a Run value.
class RebootRunKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_name = L"bwt-reboot-" + Kestlib::AnsiToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 L"-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
        m_program = m_folder / m_name;
        Kestlib::FileCopy(TestSupport::BinDirectory() + L"reboot_run_key.exe", m_program);
    }
    void TearDown() override {
        if (Stored()) Kestlib::RegistryDeleteValue(RebootRunKeyPath, m_name);
    }

    // Runs the helper with the arguments as typed; its temporary folder, and
    // so its default log, is the test's folder.
    DWORD Run(const std::wstring& mode, const std::wstring& arguments, const std::wstring& rebootCmd = L"") {
        const TestSupport::ScopedVariable modeVariable(L"BWT_REBOOT_MODE", mode);
        const TestSupport::ScopedVariable rebootCmdVariable(L"BWT_REBOOT_CMD", rebootCmd);
        const TestSupport::ScopedVariable tmp(L"TMP", m_folder.Path());
        const TestSupport::ScopedVariable temp(L"TEMP", m_folder.Path());
        std::wstring command = L"\"" + m_program + L"\"" + arguments;
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!::CreateProcessW(m_program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process))
            return 0xFFFFFFFF;
        Kestlib::KernelHandle processHandle(process.hProcess);
        Kestlib::KernelHandle thread(process.hThread);
        DWORD exitCode = 0xFFFFFFFF;
        if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(process.hProcess, &exitCode);
        return exitCode;
    }
    bool Stored() const { return Kestlib::RegistryKeyExists(HKEY_LOCAL_MACHINE, RebootRunKeyPath, m_name); }
    std::wstring Value() const {
        return Kestlib::RegistryGetStringValue(HKEY_LOCAL_MACHINE, RebootRunKeyPath, m_name);
    }

    TestSupport::TempFolder m_folder;
    std::wstring m_name;
    std::wstring m_program;
};

TEST_F(RebootRunKeyTest, WritesTheResumeCommandUnderTheProgramName) {
    const std::wstring quoted = L"\"" + m_program + L"\"";
    const std::wstring log = m_folder / L"setup log.txt";
    struct Case {
        std::wstring arguments;
        std::wstring rebootCmd;
        std::wstring expected;
    } cases[] = {
        {L"", L"", quoted + L" /Reboot"},
        {L" /q /LogFile \"" + log + L"\"", L"/ComponentArgs app:/x",
         quoted + L" /q /LogFile \"" + log + L"\" /ComponentArgs app:/x /Reboot"},
        {L" /Launcher C:\\other\\launch.exe /LauncherArgs \"resume 1\"", L"",
         L"\"C:\\other\\launch.exe\" /Launcher C:\\other\\launch.exe /LauncherArgs \"resume 1\" resume 1 /Reboot"},
        {L"", L"/Reboot", quoted + L" /Reboot"},
        {L"", L"/reboot", quoted + L" /reboot /Reboot"},
        {L" /qb /Reboot", L"", quoted + L" /qb /Reboot"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Kestlib::WideToAnsi(c.arguments + L" | " + c.rebootCmd));
        ASSERT_EQ(Run(L"write", c.arguments, c.rebootCmd), 0u);
        EXPECT_EQ(Value(), c.expected);
    }
    // Each write was logged, here the one into the log file of the command line.
    std::string line = Kestlib::WideToAnsi(L"\tWriting HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\" +
                                           m_name + L": " + cases[1].expected + L"\r\n");
    EXPECT_NE(TestSupport::ReadTextFile(log).find(line), std::string::npos);
    EXPECT_NE(TestSupport::ReadTextFile(m_folder / L"qvn12bs.log").find(
                  Kestlib::WideToAnsi(m_name + L": " + cases[0].expected + L"\r\n")),
              std::string::npos);
}

TEST_F(RebootRunKeyTest, RemovedByTheProgramAndAtOnceByAResumedRun) {
    ASSERT_EQ(Run(L"write", L""), 0u);
    ASSERT_TRUE(Stored());
    // Only a start with /Reboot removes it on its own.
    EXPECT_EQ(Run(L"resume", L" /q"), 0u);
    EXPECT_TRUE(Stored());
    EXPECT_EQ(Run(L"resume", L" /q /Reboot"), 0u);
    EXPECT_FALSE(Stored());
    EXPECT_EQ(Run(L"resume", L" /Reboot"), 0u);

    ASSERT_EQ(Run(L"write", L" /q"), 0u);
    EXPECT_EQ(Run(L"remove", L""), 0u);
    EXPECT_FALSE(Stored());
    // Nothing to remove is no error.
    EXPECT_EQ(Run(L"remove", L""), 0u);
}

}  // namespace
