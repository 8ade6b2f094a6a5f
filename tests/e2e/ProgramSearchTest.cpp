// Commands name their programs as people write them: a bare system program, an
// unquoted path with a blank, a script's bare command name. Each row runs the
// real setup once with the command as a component and once as the completion
// command, with copies planted where the platform looks first: beside
// setup.exe (also the current folder, as after a double-click) and at the part
// of the path before the blank. A planted copy ends at once and writes nothing;
// only the program meant leaves the expected output.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;

namespace {

const wchar_t kRegistryKey[] = L"Software\\BootwrightTests\\ProgramSearch";

std::string RegistryText(const std::string& name) {
    wchar_t value[64] = {};
    DWORD size = sizeof(value);
    ::RegGetValueW(HKEY_CURRENT_USER, kRegistryKey, Kestlib::Utf8ToWide(name).c_str(), RRF_RT_REG_SZ, nullptr, value,
                   &size);
    return Utf8(value);
}

// The text with {output} and {app} (the folder of setup.exe) filled in.
std::string Fill(std::string text, const std::wstring& output, const std::string& app) {
    for (const auto& field :
         {std::make_pair(std::string("{output}"), Utf8(output)), std::make_pair(std::string("{app}"), app)}) {
        const size_t at = text.find(field.first);
        if (at != std::string::npos) text.replace(at, field.first.size(), field.second);
    }
    return text;
}

}  // namespace

TEST(ProgramSearch, CommandsRunTheProgramMeantNotAPlantedCopy) {
    const std::string bin = Utf8(TestSupport::BinDirectory());
    struct Row {
        std::string command;
        // The output file's content, or (without an output file) the registry value's.
        std::string output;
        bool inRegistry;
    } rows[] = {
        {"cmd.exe /c echo ran> \"{output}\"", "ran\r\n", false},
        // The program writes the command line it was given.
        {"{app}\\tools\\tool.exe /quiet", "{app}\\tools\\tool.exe /quiet", false},
        {"\"" + bin + "bare_name_start.exe\" reg add HKCU\\" + Utf8(kRegistryKey) + " /v {output} /d ran /f", "ran",
         true},
        {"cmd.exe /c set NoDefaultCurrentDirectoryInExePath> \"{output}\"", "NoDefaultCurrentDirectoryInExePath=1\r\n",
         false},
    };
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kRegistryKey);
    for (const Row& row : rows) {
        for (const bool completion : {false, true}) {
            SCOPED_TRACE(row.command + (completion ? " (completion command)" : " (component)"));
            Scenario run;
            const std::wstring folder = run.folder / L"Quorvane Setup";
            const std::wstring output = run.folder / L"output.txt";
            ::CreateDirectoryW(folder.c_str(), nullptr);
            ::CreateDirectoryW((folder + L"\\tools").c_str(), nullptr);
            const std::wstring planted = TestSupport::BinDirectory() + L"proc_exitcode.exe";
            for (const std::wstring& copy :
                 {folder + L"\\cmd.exe", folder + L"\\reg.exe", run.folder / L"Quorvane.exe"})
                ::CopyFileW(planted.c_str(), copy.c_str(), FALSE);
            ::CopyFileW((TestSupport::BinDirectory() + L"proc_printargs.exe").c_str(), (folder + L"\\tools\\tool.exe").c_str(), FALSE);

            const std::string command = Fill(row.command, output, "#APPPATH");
            const std::string document =
                completion ? Install("complete_command=\"" + Xml(command) + "\"",
                                     MarkerComponent("Present", folder + L"\\setup.xml"))
                           : Install("", "    <component type=\"cmd\" description=\"Probe\" command=\"" + Xml(command) +
                                             "\"/>\n");
            TestSupport::SetupOptions options = run.Options(L"/q");
            options.workingDirectory = folder;
            options.environment = {{L"PROC_PRINTARGS_OUTPUT", output}};
            EXPECT_EQ(TestSupport::RunSetup(TestSupport::PackageSetup(folder, Document(document)), options), 0u)
                << run.Dump();

            // #APPPATH ends with a separator.
            const std::string app = Utf8(folder) + "\\";
            EXPECT_EQ(row.inRegistry ? RegistryText(Utf8(output)) : TestSupport::ReadTextFile(output),
                      Fill(row.output, output, app));
            const std::string logged = (completion ? "Executing complete command: " : "Executing: ") +
                                       TestSupport::Ansi(Kestlib::Utf8ToWide(Fill(row.command, output, app)));
            EXPECT_TRUE(TestSupport::HasMessage(run.Log(), logged)) << logged << "\n" << run.Dump();
        }
    }
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kRegistryKey);
}
