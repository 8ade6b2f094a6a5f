#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/InstallUILevel.h"
#include "base/InstallerSession.h"
#include "components/CmdComponent.h"
#include "components/MsiComponent.h"
#include "components/MsuComponent.h"
#include "components/OpenFileComponent.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/components/ComponentLoading.h"
#include "tests/components/ProcessTesting.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace ProcessTesting;

namespace {

class ProcessComponentTest : public ProcessComponentTestBase {
protected:
    LogCapture log;
    TestSupport::TempFolder folder;
};

std::string Ansi(const std::wstring& text) { return Kestlib::WideToAnsi(text); }

ComponentPtr CmdRunning(const std::wstring& arguments, const std::string& extra = "") {
    return LoadComponent("<component type=\"cmd\" description=\"Tool\" command=\"" +
                         Ansi(Program(L"proc_exitcode.exe")) + " " + Ansi(arguments) + "\" " + extra + "/>");
}

TEST_F(ProcessComponentTest, CmdVariantFollowsTheUILevel) {
    struct Case {
        int level;
        const char* attributes;
        const wchar_t* command;
    } cases[] = {
        {UiLevelNotSet, "command=\"f\" command_basic=\"b\" command_silent=\"s\"", L"f"},
        {UiLevelFull, "command=\"f\" command_basic=\"b\" command_silent=\"s\"", L"f"},
        {UiLevelBasic, "command=\"f\" command_basic=\"b\" command_silent=\"s\"", L"b"},
        {UiLevelBasic, "command=\"f\" command_silent=\"s\"", L"s"},
        {UiLevelBasic, "command=\"f\"", L"f"},
        {UiLevelSilent, "command=\"f\" command_basic=\"b\" command_silent=\"s\"", L"s"},
        {UiLevelSilent, "command=\"f\" command_basic=\"b\"", L"b"},
        {UiLevelSilent, "command=\"f\"", L"f"},
    };
    for (const Case& c : cases) {
        SetLevel(c.level);
        ComponentPtr component = LoadComponent("<component type=\"cmd\" " + std::string(c.attributes) + "/>");
        EXPECT_EQ(As<CmdComponent>(component).BuildCommandLine(), c.command) << c.attributes << " " << c.level;
    }
}

TEST_F(ProcessComponentTest, ComponentArgumentsMatchTheDescriptionExactly) {
    ComponentPtr component = LoadComponent("<component type=\"cmd\" description=\"Tool\" command=\"run\"/>");
    const CmdComponent& cmd = As<CmdComponent>(component);
    auto& componentArgs = InstallerSession::Instance().componentArgs;
    componentArgs[L"tool"] = L"lower";
    componentArgs[L"Tool "] = L"blank";
    EXPECT_EQ(cmd.BuildCommandLine(), L"run");
    EXPECT_FALSE(log.HasLine("-- Additional component arguments: lower"));
    componentArgs[L"Tool"] = L"--a \"b c\"";
    EXPECT_EQ(cmd.BuildCommandLine(), L"run --a \"b c\"");
    EXPECT_TRUE(log.HasLine("-- Additional component arguments: --a \"b c\""));
    // Given with an empty value, the blank is still appended.
    componentArgs[L"Tool"] = L"";
    EXPECT_EQ(cmd.BuildCommandLine(), L"run ");
    EXPECT_TRUE(log.HasLine("-- Additional component arguments: "));
}

TEST_F(ProcessComponentTest, CmdRunsTheChosenCommandWithItsArguments) {
    const std::wstring output = folder / L"args.txt";
    ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", output);
    SetLevel(UiLevelSilent);
    InstallerSession::Instance().componentArgs[L"Recorder"] = L"extra \"quoted arg\"";
    const std::string program = Ansi(Program(L"proc_printargs.exe"));
    ComponentPtr component = LoadComponent("<component type=\"cmd\" description=\"Recorder\" command=\"" + program +
                                           " full\" command_silent=\"" + program + " silent\"/>");
    EXPECT_EQ(component->GetExitCode(), 16777215u);
    component->Exec();
    component->Wait(1000);
    EXPECT_FALSE(component->IsExecuting());
    EXPECT_EQ(component->GetExitCode(), 0u);
    EXPECT_FALSE(component->IsRebootRequired());
    const std::string commandLine = program + " silent extra \"quoted arg\"";
    EXPECT_EQ(TestSupport::ReadTextFile(output), commandLine);
    const std::string text = log.Text();
    const size_t arguments = text.find("\t-- Additional component arguments: extra \"quoted arg\"\r\n");
    const size_t executing = text.find("\tExecuting: " + commandLine + "\r\n");
    ASSERT_NE(arguments, std::string::npos);
    ASSERT_NE(executing, std::string::npos);
    EXPECT_LT(arguments, executing);
}

TEST_F(ProcessComponentTest, CmdSucceedsOnlyWithZero) {
    struct Case {
        const wchar_t* code;
        unsigned long exitCode;
        const char* message;
    } cases[] = {
        {L"0", 0, nullptr},
        {L"1", 1, "Error executing 'Tool': 0x1"},
        {L"3010", 3010, "Error executing 'Tool': 0xbc2"},
        {L"1603", 1603, "Error executing 'Tool': 0x643"},
        {L"0xC0000005", 0xC0000005ul, "Error executing 'Tool': 0xc0000005"},
        {L"0xFFFFFFFF", 0xFFFFFFFFul, "Error executing 'Tool': 0xffffffff"},
    };
    for (const Case& c : cases) {
        ComponentPtr component = CmdRunning(c.code);
        component->Exec();
        if (c.message == nullptr)
            component->Wait(1000);
        else
            EXPECT_THROW_MESSAGE(component->Wait(1000), c.message);
        EXPECT_EQ(component->GetExitCode(), c.exitCode);
        EXPECT_FALSE(component->IsExecuting());
    }
    EXPECT_TRUE(CmdRunning(L"0", "mustreboot=\"true\"")->IsRebootRequired());
}

TEST_F(ProcessComponentTest, ACommandThatCannotStartFailsInExec) {
    const std::wstring missing = Program(L"no_such_program.exe");
    ComponentPtr component = LoadComponent("<component type=\"cmd\" command=\"" + Ansi(missing) + " a\"/>");
    EXPECT_THROW_MESSAGE(component->Exec(), Ansi(Kestlib::SystemErrorText(2, L"CreateProcessW: " + missing + L" a")));
    EXPECT_EQ(component->GetExitCode(), 16777215u);
    EXPECT_FALSE(component->IsExecuting());
}

TEST_F(ProcessComponentTest, InstallerCommandLinesAddParametersThenArguments) {
    ScopedCurrentDirectory current(folder.Path());
    auto& componentArgs = InstallerSession::Instance().componentArgs;
    componentArgs[L"Pkg"] = L"PROP=1";
    SetLevel(UiLevelBasic);
    ComponentPtr msi = LoadComponent("<component type=\"msi\" description=\"Pkg\" package=\"sub\\a.msi\" "
                                     "cmdparameters=\"/qf\" cmdparameters_silent=\"/qn\"/>");
    EXPECT_EQ(As<MsiComponent>(msi).BuildCommandLine(),
              L"msiexec /I \"" + folder.Path() + L"\\sub\\a.msi\" /qn PROP=1");
    EXPECT_TRUE(log.HasLine("-- Additional command-line parameters: /qn"));
    EXPECT_TRUE(log.HasLine("-- Additional component arguments: PROP=1"));

    SetLevel(UiLevelFull);
    const std::wstring code = L"{78886B22-3CD9-4C76-99B7-490E416F690D}";
    ComponentPtr product = LoadComponent("<component type=\"msi\" package=\"" + Ansi(code) + "\"/>");
    EXPECT_EQ(As<MsiComponent>(product).BuildCommandLine(), L"msiexec /I \"" + code + L"\"");
    ComponentPtr absolute = LoadComponent("<component type=\"msi\" package=\"C:\\p\\b.msi\" cmdparameters=\"/qb\"/>");
    EXPECT_EQ(As<MsiComponent>(absolute).BuildCommandLine(), L"msiexec /I \"C:\\p\\b.msi\" /qb");
    // A product code is not a folder-relative name even in braces, but a
    // malformed one is a file name.
    ComponentPtr notCode = LoadComponent("<component type=\"msi\" package=\"{not-a-code}\"/>");
    EXPECT_EQ(As<MsiComponent>(notCode).BuildCommandLine(), L"msiexec /I \"" + folder.Path() + L"\\{not-a-code}\"");

    ComponentPtr msu = LoadComponent("<component type=\"msu\" description=\"Pkg\" package=\"" + Ansi(code) +
                                     "\" cmdparameters=\"/quiet\"/>");
    EXPECT_EQ(As<MsuComponent>(msu).BuildCommandLine(),
              L"wusa.exe \"" + folder.Path() + L"\\" + code + L"\" /quiet PROP=1");
}

TEST_F(ProcessComponentTest, ExitCodeJudgementPerKind) {
    MsiComponent msi;
    msi.description = L"M";
    MsuComponent msu;
    msu.description = L"U";
    CmdComponent cmd;
    cmd.description = L"C";
    // 1641: the package succeeded and has started the restart itself.
    for (unsigned long code : {0ul, 3010ul, 1641ul}) msi.CheckExitCode(code);
    EXPECT_THROW_MESSAGE(msi.CheckExitCode(1603), "Error executing 'M': 0x643");
    EXPECT_THROW_MESSAGE(msi.CheckExitCode(3011), "Error executing 'M': 0xbc3");
    cmd.CheckExitCode(0);
    EXPECT_THROW_MESSAGE(cmd.CheckExitCode(3010), "Error executing 'C': 0xbc2");
    EXPECT_THROW_MESSAGE(cmd.CheckExitCode(1641), "Error executing 'C': 0x669");
    // 0x240006: the update is installed already.
    for (unsigned long code : {0ul, 0x240006ul}) msu.CheckExitCode(code);
    for (unsigned long code : {1ul, 1641ul, 3010ul, 0x80070005ul, 0x240005ul})
        EXPECT_THROW_MESSAGE(msu.CheckExitCode(code),
                             Ansi(Kestlib::SystemErrorText(static_cast<long>(code), L"Error executing 'U'")));
    // Never run: the not-started code, which asks for no reboot.
    EXPECT_EQ(msi.GetExitCode(), 16777215u);
    EXPECT_FALSE(msi.IsRebootRequired());
    msi.mustreboot = true;
    EXPECT_TRUE(msi.IsRebootRequired());
}

// What the run adds to the installers' command lines, after the parameters
// and arguments: under /norestart the suppression of the package's restart,
// then the package log asked for; each unless the parameters and arguments
// already say it. Without either nothing changes.
TEST_F(ProcessComponentTest, WhatTheRunAddsReachesEachInstallerUnlessItsParametersSayIt) {
    ScopedCurrentDirectory current(folder.Path());
    SetLevel(UiLevelSilent);
    const std::wstring path = L"C:\\Logs\\setup.1.1.Pkg.log";
    const std::wstring msiRestart = L" REBOOT=ReallySuppress";
    const std::wstring msuRestart = L" /norestart";
    const std::wstring msiLog = L" /l*v \"" + path + L"\"";
    const std::wstring msuLog = L" /log:\"" + path + L"\"";
    struct Case {
        const char* type;
        const char* parameters;
        const wchar_t* arguments;  // on the command line; null: none
        bool suppress, log;
        std::wstring added;        // after the parameters and arguments
    } cases[] = {
        {"msi", "/qn", nullptr, false, false, L""},
        {"msi", "/qn", nullptr, true, false, msiRestart},
        {"msi", "", nullptr, true, false, msiRestart},
        {"msi", "/qn", L"PROP=1", true, true, msiRestart + msiLog},
        {"msi", "/qn reboot=Force", nullptr, true, false, L""},
        {"msi", "/qn", L"REBOOT=ReallySuppress", true, false, L""},
        {"msi", "/qn -NoRestart", nullptr, true, true, msiLog},
        {"msi", "/qn /forcerestart", nullptr, true, false, L""},
        {"msi", "/promptrestart /qb", nullptr, true, false, L""},
        // Inside a quoted value it is no parameter of its own.
        {"msi", "/qn NOTE=&quot;a /norestart&quot;", nullptr, true, false, msiRestart},
        {"msi", "/qn XREBOOT=1 LOGFILE=x.log", nullptr, true, true, msiRestart + msiLog},
        {"msi", "/qn /L*V own.log", nullptr, true, true, msiRestart},
        {"msi", "/qn -lv+ own.log", nullptr, false, true, L""},
        {"msi", "/qn", L"/log own.log", false, true, L""},
        {"msu", "/quiet", nullptr, false, false, L""},
        {"msu", "/quiet", nullptr, true, true, msuRestart + msuLog},
        {"msu", "/quiet /norestart", nullptr, true, false, L""},
        {"msu", "/quiet /warnrestart:60", nullptr, true, false, L""},
        {"msu", "/quiet", L"/forcerestart", true, false, L""},
        {"msu", "/quiet /LOG:own.evtx", nullptr, false, true, L""},
        // The property belongs to Windows Installer only.
        {"msu", "/quiet REBOOT=ReallySuppress", nullptr, true, false, msuRestart},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.parameters + (c.suppress ? " suppressed" : "") +
                     (c.log ? " logged" : ""));
        InstallerSession::Release();
        if (c.arguments) InstallerSession::Instance().componentArgs[L"Pkg"] = c.arguments;
        ComponentPtr component = LoadComponent("<component type=\"" + std::string(c.type) +
                                               "\" description=\"Pkg\" package=\"p\" cmdparameters_silent=\"" +
                                               c.parameters + "\"/>");
        component->suppressRestart = c.suppress;
        if (c.log) component->packageLog = path;
        const bool msi = std::string(c.type) == "msi";
        LogCapture built;
        const std::wstring commandLine = msi ? As<MsiComponent>(component).BuildCommandLine()
                                             : As<MsuComponent>(component).BuildCommandLine();
        std::wstring given = Kestlib::AnsiToWide(c.parameters);
        for (size_t at = given.find(L"&quot;"); at != std::wstring::npos; at = given.find(L"&quot;"))
            given.replace(at, 6, L"\"");
        if (c.arguments) given += (given.empty() ? L"" : L" ") + std::wstring(c.arguments);
        EXPECT_EQ(commandLine, (msi ? L"msiexec /I \"" : L"wusa.exe \"") + folder.Path() + L"\\p\"" +
                                   (given.empty() ? L"" : L" " + given) + c.added);
        const std::wstring restart = msi ? msiRestart : msuRestart;
        const bool suppressed = c.added.compare(0, restart.size(), restart) == 0;
        const bool logged = c.added.find(path) != std::wstring::npos;
        EXPECT_EQ(built.HasLine("-- Restart left to the caller (/norestart): " + Ansi(restart.substr(1))), suppressed);
        EXPECT_EQ(built.HasLine("-- Package log: " + Ansi(path)), logged);
        EXPECT_EQ(component->PackageLogInUse(), logged ? path : L"");
    }
}

TEST_F(ProcessComponentTest, MsuRunsTheSystemWusaAndReportsItsFailure) {
    TestSupport::WriteTextFile(folder / L"bogus.msu", "not an update package");
    const std::wstring mark = folder / L"planted-ran.txt";
    ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", mark);
    ScopedCurrentDirectory current(folder.Path());
    // A wusa.exe beside this program or in the current folder must not be the one that runs.
    PlantedProgram besideProgram(Program(L"wusa.exe"));
    PlantedProgram inCurrentFolder(folder / L"wusa.exe");
    SetLevel(UiLevelSilent);
    ComponentPtr component = LoadComponent("<component type=\"msu\" description=\"Update\" package=\"bogus.msu\" "
                                           "cmdparameters_silent=\"/quiet /norestart\"/>");
    component->Exec();
    const unsigned long exitCode = [&] {
        try {
            component->Wait(1000);
        } catch (const std::exception& e) {
            EXPECT_EQ(std::string(e.what()), Ansi(Kestlib::SystemErrorText(static_cast<long>(component->GetExitCode()),
                                                                           L"Error executing 'Update'")));
            return component->GetExitCode();
        }
        return 0ul;
    }();
    EXPECT_NE(exitCode, 0u);
    EXPECT_FALSE(FileExists(mark));
    EXPECT_TRUE(log.HasLine("Executing: wusa.exe \"" + Ansi(folder.Path()) + "\\bogus.msu\" /quiet /norestart"));
}

class OpenFileComponentTest : public ProcessComponentTest {};

// The test extension opens with the recording program. Written through the
// merged classes view: the shell of the test platform does not read the
// per-user classes key on its own. Only the test that opens a document sets
// it up: the other cases run at the same time and must not remove it.
class TestAssociation {
public:
    TestAssociation() {
        SetDefault(L".bwtestdoc", L"BootwrightTest.Document");
        SetDefault(L"BootwrightTest.Document\\shell\\open\\command",
                   L"\"" + Program(L"proc_printargs.exe") + L"\" \"%1\"");
    }
    ~TestAssociation() {
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".bwtestdoc");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"BootwrightTest.Document");
    }
    TestAssociation(const TestAssociation&) = delete;
    TestAssociation& operator=(const TestAssociation&) = delete;

private:
    static void SetDefault(const std::wstring& key, const std::wstring& value) {
        ASSERT_EQ(::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
};

TEST_F(OpenFileComponentTest, ADocumentOpensWithItsAssociatedProgram) {
    TestAssociation association;
    const std::wstring document = folder / L"report.bwtestdoc";
    TestSupport::WriteTextFile(document, "document");
    const std::wstring output = folder / L"opened.txt";
    ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", output);
    ComponentPtr component =
        LoadComponent("<component type=\"openfile\" description=\"Readme\" file=\"" + Ansi(document) + "\"/>");
    LogCapture run;
    component->Exec();
    EXPECT_FALSE(component->IsExecuting());
    component->Wait(1000);
    EXPECT_EQ(component->GetExitCode(), 0u);
    std::string opened;
    ASSERT_TRUE(TestSupport::WaitAndReadFile(output, &opened));
    EXPECT_NE(opened.find(Ansi(document)), std::string::npos);
    EXPECT_EQ(run.Text().find("Executing: "), std::string::npos);
}

TEST_F(OpenFileComponentTest, ARefusedOpenFailsAndKeepsTheShellsCode) {
    const std::wstring document = folder / L"data.bwtnoassoc";
    TestSupport::WriteTextFile(document, "document");
    ComponentPtr component = LoadComponent("<component type=\"openfile\" file=\"" + Ansi(document) + "\"/>");
    EXPECT_THROW_MESSAGE(component->Exec(),
                         Ansi(Kestlib::SystemErrorText(ERROR_NO_ASSOCIATION, L"Error running " + document)));
    EXPECT_EQ(component->GetExitCode(), 31u);
    ComponentPtr missing = LoadComponent("<component type=\"openfile\" file=\"\"/>");
    EXPECT_THROW_MESSAGE(missing->Exec(), "Missing command");
}

}  // namespace
