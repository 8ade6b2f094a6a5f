// What the program extracted stays what it checked until the run ends: a
// component cannot overwrite, delete or rename another component's program
// or move the extraction folder away, and links planted in a folder the run
// takes over never carry a write or a delete elsewhere.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "lib/FolderSecurity.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

std::string Program(const std::wstring& name) { return TestSupport::ReadTextFile(TestSupport::BinDirectory() + name); }

std::string Embed(const std::wstring& source, const std::wstring& target) {
    return "      <embedfile sourcefilepath=\"" + Xml(source) + "\" targetfilepath=\"" + Xml(target) + "\"/>\n";
}

// The tool prints its command line to the file the environment names.
std::string ToolComponent(const std::wstring& output, const std::string& children = std::string()) {
    return "    <component type=\"cmd\" description=\"Tool\" command=\"&quot;#CABPATH\\tool\\tool.exe&quot; "
           "checked-run\">\n      <installedcheck type=\"check_file\" filename=\"" +
           Xml(output) + "\"/>\n" + children + "    </component>\n";
}

}  // namespace

TEST(HeldPayload, AnotherComponentCannotReplaceRemoveOrMoveWhatWasExtracted) {
    Scenario run;
    const std::wstring cab = run.folder / L"cab";
    const std::wstring tool = cab + L"\\tool\\tool.exe";
    const std::wstring output = run.folder / L"tool-ran.txt";
    TestSupport::WriteTextFile(run.folder / L"tool.exe", Program(L"proc_printargs.exe"));
    TestSupport::WriteTextFile(run.folder / L"evil.exe", Program(L"proc_exitcode.exe"));
    // Each attempt in turn, then the mark that the component ran to its end.
    const std::wstring meddle = L"cmd.exe /c copy /y \"#CABPATH\\evil.exe\" \"" + tool + L"\" & del /f /q \"" + tool +
                                L"\" & ren \"" + tool + L"\" other.exe & move \"#CABPATH\\tool\" \"#CABPATH\\moved\" & "
                                L"move \"#CABPATH\" \"" + run.folder / L"moved" + L"\"";
    std::string document = Document(Install(
        "cab_path=\"" + Xml(cab) + "\" cab_path_autodelete=\"false\"",
        "    <component type=\"cmd\" description=\"Meddler\" command=\"" + Xml(Utf8(meddle)) +
            " &amp; echo done&gt; &quot;" + Xml(run.folder / L"meddled.txt") + "&quot;\">\n"
            "      <installedcheck type=\"check_file\" filename=\"" + Xml(run.folder / L"meddled.txt") + "\"/>\n" +
            Embed(run.folder / L"evil.exe", L"evil.exe") + Embed(run.folder / L"tool.exe", L"tool\\tool.exe") +
            "    </component>\n" + ToolComponent(output)));
    const std::wstring setup = TestSupport::PackageSetup(run.folder.Path(), document);
    TestSupport::ScopedVariable mark(L"PROC_PRINTARGS_OUTPUT", output);

    // The meddler's attempts fail, so it does: its exit code is the run's.
    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), 1u) << run.Dump();
    EXPECT_TRUE(FileExists(run.folder / L"meddled.txt")) << "the meddler did not run: " << run.Dump();
    EXPECT_TRUE(TestSupport::HasMessage(run.Log(), "*** Component 'Tool': SUCCESS")) << run.Dump();
    std::string printed;
    ASSERT_TRUE(TestSupport::WaitAndReadFile(output, &printed, 5000)) << "the checked tool did not run";
    EXPECT_NE(printed.find("checked-run"), std::string::npos) << printed;
    EXPECT_EQ(TestSupport::ReadTextFile(tool), Program(L"proc_printargs.exe"));
    EXPECT_FALSE(FolderExists(run.folder / L"moved"));
    EXPECT_FALSE(FolderExists(cab + L"\\moved"));
    // The folder this elevated run made was given the protected access list.
    const std::string sid = TestSupport::Ansi(Kestlib::CurrentUserSid());
    bool protectedLine = false;
    for (const std::string& line : run.Log())
        protectedLine = protectedLine || (line.rfind("Protected folder: " + TestSupport::Ansi(cab) + " (", 0) == 0 &&
                                          line.find("(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") != std::string::npos &&
                                          line.find(sid) != std::string::npos);
    EXPECT_TRUE(protectedLine) << run.Dump();
}

// The folder exists and links planted in it lead to files outside: at a
// segment's name, at an unpacked file's name. The run takes the folder over,
// writes each file new and removes the segments by name only.
TEST(HeldPayload, LinksPlantedInAnExistingFolderLeaveTheirTargetsUntouched) {
    Scenario run;
    const std::wstring cab = run.folder / L"cab";
    const std::wstring output = run.folder / L"tool-ran.txt";
    TestSupport::WriteTextFile(run.folder / L"tool.exe", Program(L"proc_printargs.exe"));
    TestSupport::WriteTextFile(run.folder / L"precious.txt", "precious");
    TestSupport::WriteTextFile(run.folder / L"valuable.txt", "valuable");
    ASSERT_TRUE(::CreateDirectoryW(cab.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((cab + L"\\tool").c_str(), nullptr));
    ASSERT_TRUE(::CreateHardLinkW((cab + L"\\SETUP_1.CAB").c_str(), (run.folder / L"precious.txt").c_str(), nullptr));
    ASSERT_TRUE(::CreateHardLinkW((cab + L"\\tool\\tool.exe").c_str(), (run.folder / L"valuable.txt").c_str(), nullptr));
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("cab_path=\"" + Xml(cab) + "\" cab_path_autodelete=\"false\"",
                         ToolComponent(output, Embed(run.folder / L"tool.exe", L"tool\\tool.exe")))));
    TestSupport::ScopedVariable mark(L"PROC_PRINTARGS_OUTPUT", output);

    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), 0u) << run.Dump();
    EXPECT_EQ(TestSupport::ReadTextFile(run.folder / L"precious.txt"), "precious");
    EXPECT_EQ(TestSupport::ReadTextFile(run.folder / L"valuable.txt"), "valuable");
    EXPECT_EQ(TestSupport::ReadTextFile(cab + L"\\tool\\tool.exe"), Program(L"proc_printargs.exe"));
    EXPECT_FALSE(FileExists(cab + L"\\SETUP_1.CAB"));
    EXPECT_TRUE(FileExists(output)) << run.Dump();
    EXPECT_TRUE(TestSupport::HasMessageStartingWith(run.Log(), "Took over folder: " + TestSupport::Ansi(cab) + " ("))
        << run.Dump();
    EXPECT_TRUE(TestSupport::HasMessage(run.Log(), "Deleted 1 CAB file(s)")) << run.Dump();
}
