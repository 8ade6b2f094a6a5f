#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLauncher.h"
#include "base/InstallerLog.h"
#include "base/Variables.h"
#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/Process.h"
#include "lib/StringUtils.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

using Arguments = std::vector<std::wstring>;

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override { ReleaseAll(); }
    void TearDown() override { ReleaseAll(); }

    static void ReleaseAll() {
        InstallerCommandLineInfo::Release();
        InstallerLauncher::Release();
        InstallerLog::Release();
        InstallUILevel::Release();
    }

    static InstallerCommandLineInfo& Parse(const Arguments& arguments) {
        InstallerCommandLineInfo& info = InstallerCommandLineInfo::Instance();
        info.Parse(arguments);
        return info;
    }

    static int CommandLineLevel() { return InstallUILevel::Instance().GetCommandLineUILevel(); }
};

TEST_F(CommandLine, EmptyCommandLineLeavesEverythingUnset) {
    const InstallerCommandLineInfo& info = Parse({});
    EXPECT_EQ(info.configFile, L"");
    EXPECT_EQ(info.logFile, L"");
    EXPECT_TRUE(info.componentArgs.empty());
    EXPECT_EQ(info.pending, InstallerCommandLineInfo::PendingNone);
    EXPECT_EQ(info.completeCommandArgs, L"");
    EXPECT_FALSE(info.extractCab || info.displayCab || info.help || info.reboot || info.displayConfig ||
                 info.noRestart);
    EXPECT_EQ(info.rebootCount.count, 0);
    EXPECT_EQ(CommandLineLevel(), UiLevelNotSet);
    EXPECT_EQ(InstallUILevel::Instance().GetUILevel(), UiLevelFull);
    EXPECT_EQ(InstallerLauncher::Instance().GetPath(), L"");
    EXPECT_EQ(InstallerLauncher::Instance().GetArgs(), L"");
}

TEST_F(CommandLine, SwitchesSetTheirFlagsWhateverTheCaseAndPrefix) {
    const InstallerCommandLineInfo& info =
        Parse({L"/EXTRACTCAB", L"-displaycab", L"/DisplayConfig", L"-Reboot", L"/LOG", L"-NoRestart"});
    EXPECT_TRUE(info.noRestart);
    EXPECT_TRUE(info.extractCab);
    EXPECT_TRUE(info.displayCab);
    EXPECT_TRUE(info.displayConfig);
    EXPECT_TRUE(info.reboot);
    EXPECT_FALSE(info.help);

    EXPECT_TRUE(Parse({L"/?"}).help);
    InstallerCommandLineInfo::Release();
    EXPECT_TRUE(Parse({L"-HeLp"}).help);
}

TEST_F(CommandLine, ValueOptionsTakeTheNextArgumentAndLaterOnesWin) {
    const InstallerCommandLineInfo& info = Parse({
        L"/ConfigFile", L"first.xml", L"/configfile", L"C:\\dir with blanks\\second.xml",
        L"/CompleteCommandArgs", L"first", L"-completecommandargs", L"final \"args\"",
        L"/Launcher", L"C:\\launch.exe", L"/LauncherArgs", L"one", L"/LAUNCHERARGS", L"two three",
        L"/RebootCount", L"1:1", L"/rebootcount", L"2:3:4",
    });
    EXPECT_EQ(info.rebootCount.count, 2);
    EXPECT_EQ(info.rebootCount.configuration, 3);
    EXPECT_EQ(info.rebootCount.component, 4);
    EXPECT_EQ(info.configFile, L"C:\\dir with blanks\\second.xml");
    EXPECT_EQ(info.completeCommandArgs, L"final \"args\"");
    EXPECT_EQ(info.pending, InstallerCommandLineInfo::PendingNone);
    EXPECT_EQ(InstallerLauncher::Instance().GetPath(), L"C:\\launch.exe");
    EXPECT_EQ(InstallerLauncher::Instance().GetArgs(), L"two three");
}

TEST_F(CommandLine, UiLevelOptionsLastOneDecides) {
    Parse({L"-Q"});
    EXPECT_EQ(CommandLineLevel(), UiLevelSilent);
    Parse({L"/qb"});
    EXPECT_EQ(CommandLineLevel(), UiLevelBasic);
    Parse({L"/qb", L"/NQ"});
    EXPECT_EQ(CommandLineLevel(), UiLevelFull);
    Parse({L"/nq", L"-QB", L"/q"});
    EXPECT_EQ(CommandLineLevel(), UiLevelSilent);
    InstallUILevel::Instance().SetConfigUILevel(UiLevelBasic);
    EXPECT_EQ(InstallUILevel::Instance().GetUILevel(), UiLevelSilent);
}

TEST_F(CommandLine, LogFileKeepsTheTypedTextAndGivesTheLogTheExpandedPath) {
    const std::wstring typed = L"%TEMP%\\my setup.log";
    const InstallerCommandLineInfo& info = Parse({L"/LogFile", typed});
    EXPECT_EQ(info.logFile, typed);
    const std::wstring expanded = InstallerLog::Instance().GetPath();
    EXPECT_EQ(expanded, ResolveVariables(typed));
    EXPECT_EQ(expanded.find(L'%'), std::wstring::npos) << Kestlib::WideToAnsi(expanded);
    EXPECT_TRUE(Kestlib::EndsWith(expanded, L"\\my setup.log"));
}

TEST_F(CommandLine, AnOptionWaitingForItsValueLosesItToTheNextOption) {
    const std::wstring logPathBefore = InstallerLog::Instance().GetPath();
    const InstallerCommandLineInfo& info = Parse({L"/LogFile", L"/q"});
    EXPECT_EQ(info.logFile, L"");
    EXPECT_EQ(InstallerLog::Instance().GetPath(), logPathBefore);
    EXPECT_EQ(CommandLineLevel(), UiLevelSilent);

    // A value cannot start with an option character: it is taken as an option.
    EXPECT_THROW_MESSAGE(Parse({L"/ConfigFile", L"-file.xml"}),
                         "Invalid command-line parameter: /file.xml");
}

TEST_F(CommandLine, AValueOptionAtTheEndIsIgnored) {
    const InstallerCommandLineInfo& info = Parse({L"/reboot", L"/LogFile"});
    EXPECT_TRUE(info.reboot);
    EXPECT_EQ(info.logFile, L"");
    EXPECT_EQ(info.pending, InstallerCommandLineInfo::PendingLogFile);
}

TEST_F(CommandLine, AValueWithoutAnOptionIsUnexpected) {
    EXPECT_THROW_MESSAGE(Parse({L"word"}), "Unexpected command-line argument: word");
    EXPECT_THROW_MESSAGE(Parse({L""}), "Unexpected command-line argument: ");
    // Each value option takes exactly one value.
    EXPECT_THROW_MESSAGE(Parse({L"/ConfigFile", L"a.xml", L"b.xml"}),
                         "Unexpected command-line argument: b.xml");
}

TEST_F(CommandLine, UnknownOptionsAreShownWithASlashAsTyped) {
    EXPECT_THROW_MESSAGE(Parse({L"/x"}), "Invalid command-line parameter: /x");
    EXPECT_THROW_MESSAGE(Parse({L"-x"}), "Invalid command-line parameter: /x");
    EXPECT_THROW_MESSAGE(Parse({L"-Quiet"}), "Invalid command-line parameter: /Quiet");
    EXPECT_THROW_MESSAGE(Parse({L"--q"}), "Invalid command-line parameter: /-q");
    EXPECT_THROW_MESSAGE(Parse({L"/"}), "Invalid command-line parameter: /");
    EXPECT_THROW_MESSAGE(Parse({L"/Gr\u00FC\u00DFe"}), "Invalid command-line parameter: /Gr\xFC\xDF" "e");
}

TEST_F(CommandLine, AFailureStopsAtItsArgumentAfterTheEarlierOnesTookEffect) {
    InstallerCommandLineInfo& info = InstallerCommandLineInfo::Instance();
    EXPECT_THROW_MESSAGE(info.Parse({L"/qb", L"/ExtractCab", L"/unknown", L"/reboot"}),
                         "Invalid command-line parameter: /unknown");
    EXPECT_EQ(CommandLineLevel(), UiLevelBasic);
    EXPECT_TRUE(info.extractCab);
    EXPECT_FALSE(info.reboot);
}

TEST_F(CommandLine, ComponentArgumentsSplitAtTheFirstColon) {
    const InstallerCommandLineInfo& info = Parse({
        L"/ComponentArgs", L"a:b:c",
        L"-componentargs", L"empty:",
        L"/COMPONENTARGS", L":no name",
        L"/ComponentArgs", L"A:upper",
        L"/ComponentArgs", L"repeated:first",
        L"/ComponentArgs", L"repeated:second",
    });
    const std::map<std::wstring, std::wstring> expected = {
        {L"", L"no name"}, {L"A", L"upper"}, {L"a", L"b:c"}, {L"empty", L""}, {L"repeated", L"second"},
    };
    EXPECT_EQ(info.componentArgs, expected);
}

TEST_F(CommandLine, ComponentArgumentsNeedAColonAndOneOptionEach) {
    EXPECT_THROW_MESSAGE(Parse({L"/ComponentArgs", L"no colon"}),
                         "Invalid component argument: no colon");
    InstallerCommandLineInfo::Release();

    InstallerCommandLineInfo& info = InstallerCommandLineInfo::Instance();
    EXPECT_THROW_MESSAGE(info.Parse({L"/ComponentArgs", L"first:1", L"second:2"}),
                         "Unexpected command-line argument: second:2");
    const std::map<std::wstring, std::wstring> expected = {{L"first", L"1"}};
    EXPECT_EQ(info.componentArgs, expected);
}

// The parser reads a real process's command line: quotes are removed by the
// platform's splitting, so names and values may hold blanks.
const wchar_t ProbeVariable[] = L"BOOTWRIGHT_COMMAND_LINE_PROBE";

std::string Describe(const InstallerCommandLineInfo& info) {
    std::wstring text;
    for (const auto& entry : info.componentArgs) text += L"[" + entry.first + L"]=[" + entry.second + L"]\n";
    text += L"logFile=[" + info.logFile + L"]\n";
    text += L"configFile=[" + info.configFile + L"]\n";
    text += L"completeCommandArgs=[" + info.completeCommandArgs + L"]\n";
    text += L"launcherArgs=[" + InstallerLauncher::Instance().GetArgs() + L"]\n";
    text += L"level=" + std::to_wstring(InstallUILevel::Instance().GetCommandLineUILevel()) + L"\n";
    return Kestlib::WideToUtf8(text);
}

TEST_F(CommandLine, ProcessCommandLineWithQuotedArguments) {
    const std::wstring probeOutput = Kestlib::EnvironmentVariableValue(ProbeVariable);
    if (!probeOutput.empty()) {
        // This is the child started below: report what the parser made of its command line.
        InstallerCommandLineInfo& info = InstallerCommandLineInfo::Instance();
        info.Parse(ProcessArguments());
        TestSupport::WriteTextFile(probeOutput, Describe(info));
        return;
    }

    TestSupport::TempFolder folder;
    const std::wstring output = folder / L"parsed.txt";
    const std::wstring commandLine = L"\"" + Kestlib::GetModuleFileName() + L"\"" +
        L" /ComponentArgs \"my name\":\"a value\" -componentargs plain:\"x y\":z"
        L" /LogFile \"C:\\log dir\\setup.log\" /ConfigFile \"C:\\conf dir\\c.xml\""
        L" /CompleteCommandArgs \"a \\\"quoted\\\" b\" /LauncherArgs \"\" -QB";
    ASSERT_TRUE(::SetEnvironmentVariableW(ProbeVariable, output.c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableW(L"GTEST_FILTER", L"CommandLine.ProcessCommandLineWithQuotedArguments"));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring mutableLine = commandLine;
    const BOOL started = ::CreateProcessW(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::SetEnvironmentVariableW(ProbeVariable, nullptr);
    ::SetEnvironmentVariableW(L"GTEST_FILTER", nullptr);
    ASSERT_TRUE(started) << ::GetLastError();
    const Kestlib::ProcessHandle child(process.hProcess);
    const Kestlib::ThreadHandle thread(process.hThread);
    ASSERT_EQ(::WaitForSingleObject(child.Get(), 60000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(child.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);

    EXPECT_EQ(TestSupport::ReadTextFile(output),
              "[my name]=[a value]\n"
              "[plain]=[x y:z]\n"
              "logFile=[C:\\log dir\\setup.log]\n"
              "configFile=[C:\\conf dir\\c.xml]\n"
              "completeCommandArgs=[a \"quoted\" b]\n"
              "launcherArgs=[]\n"
              "level=2\n");
}

}  // namespace
