// The inspection modes of a packaged setup: its payload listed or extracted,
// its configurations listed; nothing is installed.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"
#include "ui/resource.h"

using namespace E2e;
using TestSupport::Ansi;
using TestSupport::HasMessage;
using TestSupport::RunSetup;

namespace {

const char kReadme[] = "Read me first.\r\n";
const char kNotes[] = "Notes in a sub-folder.\r\n";

class Inspection : public ::testing::Test {
protected:
    // Packaged once: two files, one of them in a sub-folder of the payload.
    static void SetUpTestSuite() {
        s_package = new TestSupport::TempFolder();
        TestSupport::WriteTextFile(*s_package / L"readme.txt", kReadme);
        TestSupport::WriteTextFile(*s_package / L"notes.txt", kNotes);
        const std::string component =
            MarkerComponent("Payload", *s_package / L"never.txt", "",
                            "      <embedfile sourcefilepath=\"readme.txt\" targetfilepath=\"readme.txt\"/>\n"
                            "      <embedfile sourcefilepath=\"notes.txt\" targetfilepath=\"docs\\notes.txt\"/>\n");
        s_setup = new std::wstring(TestSupport::PackageSetup(s_package->Path(), Document(Install("", component))));
    }
    static void TearDownTestSuite() {
        delete s_setup;
        delete s_package;
    }

    // Nothing an inspection does may run a component.
    void TearDown() override { EXPECT_FALSE(FileExists(*s_package / L"never.txt")); }

    static TestSupport::TempFolder* s_package;
    static std::wstring* s_setup;
};

TestSupport::TempFolder* Inspection::s_package = nullptr;
std::wstring* Inspection::s_setup = nullptr;

TEST_F(Inspection, ExtractCabUnpacksThePayloadIntoSupportFilesUnderTheCurrentFolder) {
    Scenario run;
    TestSupport::SetupOptions options = run.Options(L"/q /ExtractCab");
    options.workingDirectory = run.folder.Path();
    EXPECT_EQ(RunSetup(*s_setup, options), 0u);
    EXPECT_EQ(TestSupport::ReadTextFile(run.folder / L"SupportFiles\\readme.txt"), kReadme);
    EXPECT_EQ(TestSupport::ReadTextFile(run.folder / L"SupportFiles\\docs\\notes.txt"), kNotes);
    EXPECT_EQ(run.Log().back(), kFinishedZero) << run.Dump();
}

TEST_F(Inspection, DisplayCabWinsOverExtractCabAndShowsTheListOnlyWhenAWindowIsAllowed) {
    Scenario run;
    TestSupport::SetupOptions options = run.Options(L"/q /DisplayCab /ExtractCab");
    options.workingDirectory = run.folder.Path();
    EXPECT_EQ(RunSetup(*s_setup, options), 0u);
    EXPECT_FALSE(FolderExists(run.folder / L"SupportFiles"));
    EXPECT_EQ(run.Log().back(), kFinishedZero) << run.Dump();

    options.arguments = run.Options(L"/ExtractCab /DisplayCab").arguments;
    TestSupport::SetupProcess setup(*s_setup, options);
    HWND box = TestSupport::FindProcessDialog(setup.Id());
    ASSERT_NE(box, nullptr);
    const std::wstring list = TestSupport::MessageBoxText(box);
    EXPECT_EQ(list.substr(0, 12), L"Total size: ") << Ansi(list);
    EXPECT_NE(list.find(L"\r\n\r\n"), std::wstring::npos) << Ansi(list);
    EXPECT_NE(list.find(L"readme.txt - "), std::wstring::npos) << Ansi(list);
    EXPECT_NE(list.find(L"docs\\notes.txt - "), std::wstring::npos) << Ansi(list);
    TestSupport::Press(box, IDOK);
    EXPECT_EQ(setup.Wait(), 0u);
    EXPECT_FALSE(FolderExists(run.folder / L"SupportFiles"));
}

TEST_F(Inspection, DisplayConfigListsTheConfigurations) {
    Scenario run;
    EXPECT_EQ(RunSetup(*s_setup, run.Options(L"/q /DisplayConfig")), 0u);
    EXPECT_EQ(run.Log().back(), kFinishedZero) << run.Dump();

    TestSupport::SetupProcess setup(*s_setup, run.Options(L"/DisplayConfig"));
    HWND box = TestSupport::FindProcessDialog(setup.Id());
    ASSERT_NE(box, nullptr);
    const std::wstring text = TestSupport::MessageBoxText(box);
    EXPECT_EQ(text.substr(0, 13), L"Install, lang") << Ansi(text);
    EXPECT_NE(text.find(L" Payload"), std::wstring::npos) << Ansi(text);
    TestSupport::Press(box, IDOK);
    EXPECT_EQ(setup.Wait(), 0u);
}

// A machine that no configuration fits is exactly when a document needs
// inspecting: the listing shows every configuration and succeeds. The payload
// modes load and filter first, as an installing run does, and fail.
TEST(InspectionWithoutAMatch, DisplayConfigListsEveryConfigurationThePayloadModesFail) {
    Scenario run;
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("lcid_filter=\"1031\"", MarkerComponent("German only", run.folder / L"de.txt")) +
                     Install("lcid_filter=\"1036\"", MarkerComponent("French only", run.folder / L"fr.txt")),
                 "configuration_no_match_message=\"None of %s fits\""));
    const struct {
        const wchar_t* arguments;
        DWORD exitCode;
        std::string lastLine;
    } cases[] = {
        {L"/q", kFailed, std::string(kErrorPrefix) + "None of 2 fits"},
        {L"/q /DisplayConfig", 0, kFinishedZero},
        {L"/q /ExtractCab", kFailed, std::string(kErrorPrefix) + "None of 2 fits"},
        {L"/q /DisplayCab", kFailed, std::string(kErrorPrefix) + "None of 2 fits"},
    };
    for (const auto& c : cases) {
        Scenario each;
        EXPECT_EQ(RunSetup(setup, each.Options(c.arguments)), c.exitCode) << Ansi(c.arguments);
        EXPECT_EQ(each.Log().back(), c.lastLine) << each.Dump();
    }

    TestSupport::SetupProcess shown(setup, run.Options(L"/DisplayConfig"));
    HWND box = TestSupport::FindProcessDialog(shown.Id());
    ASSERT_NE(box, nullptr);
    const std::wstring text = TestSupport::MessageBoxText(box);
    EXPECT_NE(text.find(L"German only"), std::wstring::npos) << Ansi(text);
    EXPECT_NE(text.find(L"French only"), std::wstring::npos) << Ansi(text);
    TestSupport::Press(box, IDOK);
    EXPECT_EQ(shown.Wait(), 0u);
    EXPECT_FALSE(FileExists(run.folder / L"de.txt") || FileExists(run.folder / L"fr.txt"));
}

}  // namespace
