// What the setup sees and starts depends on its own bitness: on 64-bit Windows
// a 32-bit program runs under WOW64, with the 32-bit registry view, System32
// redirected to SysWOW64, and its own Program Files. Each row gives what
// Windows documents for a 64-bit and for a 32-bit process on an x64 machine;
// the suite runs against both programs (the x86.* run is the 32-bit one).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/PlantedLibraries.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::Ansi;

namespace {

const wchar_t kKey[] = L"SOFTWARE\\BootwrightTests\\Wow64";
const char kKeyText[] = "SOFTWARE\\BootwrightTests\\Wow64";
const wchar_t kNativeFile[] = L"bwtest-wow64-native.txt";
const wchar_t kWow64File[] = L"bwtest-wow64-32bit.txt";

// How a row reads in the log: the component's installed state, its
// expanded description, or whether its processor filter let it load.
enum class Seen { State, Text, Filter };

struct Row {
    Seen seen;
    const char* name;
    std::string xml;  // the description's text after "NAME=", or the component's attributes and children
    const char* program64;
    const char* program32;
};

std::string Check(const std::string& attributes) { return "<installedcheck " + attributes + "/>"; }

std::string RegistryCheck(const char* value, const char* wowoption) {
    return Check(std::string("type=\"check_registry_value\" rootkey=\"HKEY_LOCAL_MACHINE\" path=\"") + kKeyText +
                 "\" fieldname=\"" + value + "\" fieldtype=\"REG_SZ\" comparison=\"exists\"" +
                 (*wowoption ? std::string(" wowoption=\"") + wowoption + "\"" : ""));
}

std::string Reference(const char* root, const char* value) {
    return std::string("@[") + root + "\\" + kKeyText + "\\" + value + ",absent]";
}

// {SYSTEM}, {WINDOWS}, {PF}, {PF86}, {CPF}, {CPF86}: the folders as the test,
// a 64-bit process, reads them; Windows documents that a 32-bit process is given
// the same system folder name (its files are redirected) and the (x86) folders
// as ProgramFiles and CommonProgramFiles.
const Row kRows[] = {
    // Registry checks: HKLM\SOFTWARE has a 64-bit and a 32-bit view; Only64 is in the first, Only32 in the second.
    {Seen::State, "Only64 default view", RegistryCheck("Only64", ""), "INSTALLED", "NOT INSTALLED"},
    {Seen::State, "Only64 NONE", RegistryCheck("Only64", "NONE"), "INSTALLED", "NOT INSTALLED"},
    {Seen::State, "Only64 WOW64_64", RegistryCheck("Only64", "WOW64_64"), "INSTALLED", "INSTALLED"},
    {Seen::State, "Only64 WOW64_32", RegistryCheck("Only64", "WOW64_32"), "NOT INSTALLED", "NOT INSTALLED"},
    {Seen::State, "Only32 default view", RegistryCheck("Only32", ""), "NOT INSTALLED", "INSTALLED"},
    {Seen::State, "Only32 NONE", RegistryCheck("Only32", "none"), "NOT INSTALLED", "INSTALLED"},
    {Seen::State, "Only32 WOW64_32", RegistryCheck("Only32", "wow64_32"), "INSTALLED", "INSTALLED"},
    {Seen::State, "Only32 WOW64_64", RegistryCheck("Only32", "WOW64_64"), "NOT INSTALLED", "NOT INSTALLED"},
    // Registry references, with a default for a value the view does not hold.
    {Seen::Text, "ref Only64", Reference("HKEY_LOCAL_MACHINE", "Only64"), "64", "absent"},
    {Seen::Text, "ref Only64 WOW64_64", Reference("HKEY_LOCAL_MACHINE:WOW64_64", "Only64"), "64", "64"},
    {Seen::Text, "ref Only64 WOW64_32", Reference("HKEY_LOCAL_MACHINE:WOW64_32", "Only64"), "absent", "absent"},
    {Seen::Text, "ref Only32", Reference("HKEY_LOCAL_MACHINE", "Only32"), "absent", "32"},
    {Seen::Text, "ref Only32 WOW64_32", Reference("HKEY_LOCAL_MACHINE:WOW64_32", "Only32"), "32", "32"},
    {Seen::Text, "ref Only32 WOW64_64", Reference("HKEY_LOCAL_MACHINE:WOW64_64", "Only32"), "absent", "absent"},
    // Variables naming system and program folders.
    {Seen::Text, "SYSTEMPATH", "#SYSTEMPATH", "{SYSTEM}", "{SYSTEM}"},
    {Seen::Text, "WINDOWSPATH", "#WINDOWSPATH", "{WINDOWS}", "{WINDOWS}"},
    {Seen::Text, "ProgramFiles", "%ProgramFiles%", "{PF}", "{PF86}"},
    {Seen::Text, "ProgramW6432", "%ProgramW6432%", "{PF}", "{PF}"},
    {Seen::Text, "CommonProgramFiles", "%CommonProgramFiles%", "{CPF}", "{CPF86}"},
    {Seen::Text, "PROCESSOR_ARCHITECTURE", "%PROCESSOR_ARCHITECTURE%", "AMD64", "x86"},
    {Seen::Text, "PROCESSOR_ARCHITEW6432", "%PROCESSOR_ARCHITEW6432%", "", "AMD64"},
    // Files and folders: the test put one file into System32 and one into SysWOW64 (by their real
    // names), a folder into each Program Files; a 32-bit process reaches System32 as Sysnative.
    {Seen::State, "System32 file", Check("type=\"check_file\" filename=\"#SYSTEMPATH\\bwtest-wow64-native.txt\""),
     "INSTALLED", "NOT INSTALLED"},
    {Seen::State, "SysWOW64 file through System32",
     Check("type=\"check_file\" filename=\"#SYSTEMPATH\\bwtest-wow64-32bit.txt\""), "NOT INSTALLED", "INSTALLED"},
    {Seen::State, "Sysnative file",
     Check("type=\"check_file\" filename=\"#WINDOWSPATH\\Sysnative\\bwtest-wow64-native.txt\""), "NOT INSTALLED",
     "INSTALLED"},
    {Seen::State, "SysWOW64 file", Check("type=\"check_file\" filename=\"#WINDOWSPATH\\SysWOW64\\bwtest-wow64-32bit.txt\""),
     "INSTALLED", "INSTALLED"},
    {Seen::State, "ProgramFiles native folder",
     Check("type=\"check_directory\" path=\"%ProgramFiles%\\BootwrightTests Wow64 native\""), "INSTALLED",
     "NOT INSTALLED"},
    {Seen::State, "ProgramFiles x86 folder",
     Check("type=\"check_directory\" path=\"%ProgramFiles%\\BootwrightTests Wow64 x86\""), "NOT INSTALLED",
     "INSTALLED"},
    {Seen::State, "ProgramW6432 native folder",
     Check("type=\"check_directory\" path=\"%ProgramW6432%\\BootwrightTests Wow64 native\""), "INSTALLED",
     "INSTALLED"},
    // The processor filter sees the machine's processor: x64, whatever the program's bitness.
    {Seen::Filter, "filter x64", "processor_architecture_filter=\"x64\"", "LOADED", "LOADED"},
    {Seen::Filter, "filter x86", "processor_architecture_filter=\"x86\"", "SKIPPED", "SKIPPED"},
    {Seen::Filter, "filter ia32onwin64", "processor_architecture_filter=\"ia32onwin64\"", "SKIPPED", "SKIPPED"},
    {Seen::Filter, "filter !x86,x64", "processor_architecture_filter=\"!x86,x64\"", "LOADED", "LOADED"},
};

std::wstring Variable(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

std::wstring Folder(UINT(WINAPI* query)(LPWSTR, UINT)) {
    wchar_t folder[MAX_PATH] = {};
    return std::wstring(folder, query(folder, MAX_PATH));
}

std::string Expected(std::string text) {
    const std::pair<const char*, std::wstring> folders[] = {
        {"{SYSTEM}", Folder(&::GetSystemDirectoryW)},
        {"{WINDOWS}", Folder(&::GetWindowsDirectoryW)},
        {"{PF86}", Variable(L"ProgramFiles(x86)")},
        {"{PF}", Variable(L"ProgramW6432")},
        {"{CPF86}", Variable(L"CommonProgramFiles(x86)")},
        {"{CPF}", Variable(L"CommonProgramW6432")},
    };
    for (const auto& folder : folders) {
        const size_t at = text.find(folder.first);
        if (at != std::string::npos) text.replace(at, std::string(folder.first).size(), Ansi(folder.second));
    }
    return text;
}

std::string Component(const Row& row) {
    switch (row.seen) {
        case Seen::State:
            return "    <component type=\"cmd\" description=\"" + Xml(std::string(row.name)) +
                   "\" command=\"cmd.exe /c exit 1\">" + row.xml + "</component>\n";
        case Seen::Text:
            return "    <component type=\"cmd\" description=\"" + Xml(row.name + std::string("=") + row.xml) +
                   "\" command=\"cmd.exe /c exit 1\"/>\n";
        case Seen::Filter:
            return "    <component type=\"cmd\" description=\"" + Xml(std::string(row.name)) +
                   "\" command=\"cmd.exe /c exit 1\" " + row.xml + "/>\n";
    }
    return std::string();
}

// What the log says of the row; "(missing)" when it says nothing.
std::string Observed(const std::vector<std::string>& log, const Row& row) {
    const std::string prefix = row.seen == Seen::State ? "-- " + std::string(row.name) + ": "
                               : row.seen == Seen::Text ? "Loaded 'cmd' component '" + std::string(row.name) + "="
                                                        : "-- " + std::string(row.name) + " (";
    for (const std::string& message : log) {
        if (message.compare(0, prefix.size(), prefix) != 0) continue;
        if (row.seen == Seen::State) return message.substr(prefix.size());
        if (row.seen == Seen::Text) return message.substr(prefix.size(), message.size() - prefix.size() - 1);
        return message.substr(message.rfind(": ") + 2);
    }
    return "(missing)";
}

// A REG_SZ value in one view of HKLM\SOFTWARE, and a file or folder where
// only a 64-bit process writes by that name; all removed again.
class MachineState {
public:
    MachineState() {
        SetValue(KEY_WOW64_64KEY, L"Only64", L"64");
        SetValue(KEY_WOW64_32KEY, L"Only32", L"32");
        const std::wstring windows = Folder(&::GetWindowsDirectoryW);
        m_files = {Folder(&::GetSystemDirectoryW) + L"\\" + kNativeFile, windows + L"\\SysWOW64\\" + kWow64File};
        for (const std::wstring& file : m_files) TestSupport::WriteTextFile(file, "planted by the WOW64 test\r\n");
        m_folders = {Variable(L"ProgramW6432") + L"\\BootwrightTests Wow64 native",
                     Variable(L"ProgramFiles(x86)") + L"\\BootwrightTests Wow64 x86"};
        for (const std::wstring& folder : m_folders) ::CreateDirectoryW(folder.c_str(), nullptr);
    }
    ~MachineState() {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, view, 0);
        for (const std::wstring& file : m_files) ::DeleteFileW(file.c_str());
        for (const std::wstring& folder : m_folders) ::RemoveDirectoryW(folder.c_str());
    }
    MachineState(const MachineState&) = delete;
    MachineState& operator=(const MachineState&) = delete;

private:
    static void SetValue(REGSAM view, const wchar_t* name, const wchar_t* text) {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                         static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }

    std::vector<std::wstring> m_files;
    std::vector<std::wstring> m_folders;
};

// The setup shows its main window with every row's state, and is cancelled
// there: nothing runs. A configuration only for x86 processors comes first
// and must not be shown.
TEST(Wow64, TheSetupSeesWhatWindowsShowsAProcessOfItsBitness) {
    MachineState machine;
    Scenario run;
    std::string components;
    for (const Row& row : kRows) components += Component(row);
    const std::wstring caption = L"WOW64 rows " + std::to_wstring(::GetCurrentProcessId());
    const std::string document =
        Document(Install("processor_architecture_filter=\"x86\" dialog_caption=\"x86 only\"",
                         "    <component type=\"cmd\" description=\"x86 only\" command=\"cmd.exe /c exit 1\"/>\n") +
                 Install("dialog_caption=\"" + Xml(caption) + "\"", components));
    const std::wstring setup = TestSupport::PackageSetup(run.folder.Path(), document);
    TestSupport::SetupProcess process(setup, run.Options(L""));
    HWND dialog = TestSupport::FindProcessDialog(process.Id(), caption);
    ASSERT_NE(dialog, nullptr) << run.Dump();
    TestSupport::Press(dialog, IDCANCEL);
    EXPECT_EQ(process.Wait(), kCancelled);

    const bool is32Bit = TestSupport::ProgramsAre32Bit();
    const auto log = run.Log();
    for (const Row& row : kRows) {
        EXPECT_EQ(Observed(log, row), Expected(is32Bit ? row.program32 : row.program64))
            << (is32Bit ? "32-bit" : "64-bit") << " program, row '" << row.name << "'";
    }
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "-- x86 only: ")) << run.Dump();
}

// msiexec and wusa are started from the system folder, cmd as the document names
// it there: for a 32-bit program that is the 32-bit system (SysWOW64). Copies
// planted beside the setup, which is also the current folder, never run, and
// the payload is unpacked by the system's Cabinet.dll, not a planted one.
TEST(Wow64, SystemProgramsAndLibrariesComeFromTheSystemFolderOfItsBitness) {
    Scenario run;
    TestSupport::WriteTextFile(run.folder / L"readme.txt", "Read me.\r\n");
    const std::wstring extraction = run.folder / L"extracted";
    const std::wstring architecture = run.folder / L"cmd-architecture.txt";
    const std::string components =
        "    <component type=\"msi\" description=\"Msi\" package=\"#CABPATH\\bogus.msi\" cmdparameters=\"/qn\">\n"
        "      <embedfile sourcefilepath=\"readme.txt\" targetfilepath=\"bogus.msi\"/>\n    </component>\n"
        "    <component type=\"msu\" description=\"Msu\" package=\"#CABPATH\\bogus.msu\" cmdparameters=\"/quiet\">\n"
        "      <embedfile sourcefilepath=\"readme.txt\" targetfilepath=\"bogus.msu\"/>\n    </component>\n"
        "    <component type=\"cmd\" description=\"Cmd\" command=\"" +
        Xml("\"#SYSTEMPATH\\cmd.exe\" /c set PROCESSOR_ARCHITECTURE> \"" + Utf8(architecture) + "\"") + "\">\n" +
        "      <embedfile sourcefilepath=\"readme.txt\"/>\n    </component>\n";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("cab_path=\"" + Xml(extraction) + "\" cab_path_autodelete=\"false\"",
                                            components)));

    TestSupport::PlantingOverride override(L"setup.exe", {L"cabinet", L"comctl32", L"msi", L"urlmon", L"winhttp"});
    ASSERT_TRUE(override.IsSet());
    TestSupport::PlantedFolder folder(setup);
    ASSERT_TRUE(folder.IsReady());
    const std::wstring planted = folder / L"planted-program-ran.txt";
    TestSupport::ScopedVariable mark(L"PROC_PRINTARGS_OUTPUT", planted);
    for (const wchar_t* program : {L"msiexec.exe", L"wusa.exe", L"cmd.exe"})
        ASSERT_TRUE(::CopyFileW((TestSupport::BinDirectory() + L"proc_printargs.exe").c_str(),
                                (folder / program).c_str(), FALSE));
    EXPECT_NE(folder.Run(L"/q " + run.LogArguments()), 0u);

    const auto log = run.Log();
    EXPECT_EQ(folder.LoadedPlants(), "");
    EXPECT_FALSE(FileExists(planted)) << TestSupport::ReadTextFile(planted);
    EXPECT_EQ(TestSupport::ReadTextFile(extraction + L"\\readme.txt"), "Read me.\r\n");
    EXPECT_EQ(TestSupport::ReadTextFile(architecture),
              TestSupport::ProgramsAre32Bit() ? "PROCESSOR_ARCHITECTURE=x86\r\n" : "PROCESSOR_ARCHITECTURE=AMD64\r\n");
    EXPECT_TRUE(TestSupport::HasMessage(log, "*** Component 'Cmd': SUCCESS")) << run.Dump();
    // Neither bogus package installs; the system's programs say so in their exit codes.
    EXPECT_TRUE(TestSupport::HasMessageStartingWith(log, "--- Component 'Msi' FAILED: ")) << run.Dump();
    EXPECT_TRUE(TestSupport::HasMessageStartingWith(log, "--- Component 'Msu' FAILED: ")) << run.Dump();
}

}  // namespace
