#include <gtest/gtest.h>

#include <string>

#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/components/CheckLoading.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

std::string FileXml(const std::wstring& filename, const std::string& fileversion, const std::string& comparison) {
    return "<installedcheck type=\"check_file\" filename=\"" + Kestlib::WideToAnsi(filename) + "\" fileversion=\"" +
           fileversion + "\" comparison=\"" + comparison + "\"/>";
}

// A helper program of the tests whose version resource says 1.2.3.4.
std::wstring VersionedFile() { return TestSupport::BinDirectory() + L"ver_resource.exe"; }

bool CheckVersion(const std::string& fileversion, const std::string& comparison) {
    return Evaluate(FileXml(VersionedFile(), fileversion, comparison));
}

// Every evaluation logs; each test process writes its own log file.
class InstalledCheckFileTest : public ::testing::Test {
protected:
    LogCapture log;
};
using InstalledCheckDirectoryTest = InstalledCheckFileTest;

TEST_F(InstalledCheckFileTest, MissingFileIsNotInstalledWhateverTheComparison) {
    TestSupport::TempFolder folder;
    EXPECT_FALSE(Evaluate(FileXml(folder / L"missing.exe", "", "")));
    EXPECT_FALSE(EvaluateUnrecorded(FileXml(folder / L"missing.exe", "1.0", "bogus")));
    // A folder is not a file.
    EXPECT_FALSE(Evaluate(FileXml(folder.Path(), "", "")));
}

TEST_F(InstalledCheckFileTest, EmptyVersionOnlyNeedsTheFile) {
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"plain.txt", "no version resource");
    EXPECT_TRUE(Evaluate(FileXml(folder / L"plain.txt", "", "")));
    EXPECT_TRUE(EvaluateUnrecorded(FileXml(folder / L"plain.txt", "", "bogus")));
    EXPECT_TRUE(Evaluate(FileXml(folder / L"plain.txt", "1.0", "exists")));
}

TEST_F(InstalledCheckFileTest, ComparisonsPutFileVersionLeftOfRequiredVersion) {
    struct Case {
        const char* comparison;
        const char* fileversion;
        bool expected;
    } cases[] = {
        {"exists", "9.9", true},          {"match", "1.2.3.4", true},       {"match", "1.2.3.4.", false},
        {"match", "1.2.3", false},        {"version", "1.0", true},         {"version", "1.2.3.4", true},
        {"version", "1.2.3.5", false},    {"version_ge", "1.0", true},      {"version_ge", "1.2.3.4", true},
        {"version_ge", "1.3", false},     {"version_eq", "1.2.3.4", true},  {"version_eq", "1.02.3.04", true},
        {"version_eq", "1.2.3", false},   {"version_gt", "1.2.3.3", true},  {"version_gt", "1.2.3.4", false},
        {"version_lt", "1.3", true},      {"version_lt", "1.2.3.4", false}, {"version_le", "1.2.3.4", true},
        {"version_le", "1.2.3.3", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckVersion(c.fileversion, c.comparison), c.expected) << c.comparison << " " << c.fileversion;
    }
}

TEST_F(InstalledCheckFileTest, Errors) {
    EXPECT_THROW_MESSAGE(CheckVersion("1.0", "bogus"), "Invalid comparison type \"bogus\"");
    EXPECT_THROW_MESSAGE(CheckVersion("1.0", ""), "Invalid comparison type \"\"");
    EXPECT_THROW_MESSAGE(CheckVersion("1.0", "Version"), "Invalid comparison type \"Version\"");
    EXPECT_THROW_MESSAGE(CheckVersion("1.x", "version"), "Invalid version format: 1.x");
    EXPECT_THROW_MESSAGE(CheckVersion("1..2", "version_lt"), "Missing number");

    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"plain.txt", "no version resource");
    try {
        Evaluate(FileXml(folder / L"plain.txt", "1.0", "version"));
        ADD_FAILURE() << "a file without a version resource has no version";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find(" - GetFileVersionInfoSize("), std::string::npos) << e.what();
    }
}

TEST_F(InstalledCheckFileTest, LoadLogsTheExpandedFileName) {
    ::SetEnvironmentVariableW(L"BWT_CHECK_DIR", TestSupport::BinDirectory().c_str());
    InstalledCheckPtr check = LoadCheck(
        "<installedcheck type=\"check_file\" filename=\"%BWT_CHECK_DIR%ver_resource.exe\" "
        "fileversion=\"1.2\" comparison=\"version_ge\"/>");
    EXPECT_TRUE(log.HasLine("Loaded 'file' installed check '" + Kestlib::WideToAnsi(VersionedFile()) + "'"));
    EXPECT_TRUE(check->IsInstalled());
}

TEST_F(InstalledCheckDirectoryTest, ExistingFolderIsInstalled) {
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"file.txt", "x");
    std::string path = Kestlib::WideToAnsi(folder.Path());
    EXPECT_TRUE(Evaluate("<installedcheck type=\"check_directory\" path=\"" + path + "\"/>"));
    EXPECT_TRUE(log.HasLine("Loaded 'directory' installed check '" + path + "'"));
    EXPECT_FALSE(Evaluate("<installedcheck type=\"check_directory\" path=\"" + path + "\\missing\"/>"));
    // A file is not a folder.
    EXPECT_FALSE(Evaluate("<installedcheck type=\"check_directory\" path=\"" + path + "\\file.txt\"/>"));
}

TEST_F(InstalledCheckDirectoryTest, PathIsExpanded) {
    TestSupport::TempFolder folder;
    ::SetEnvironmentVariableW(L"BWT_CHECK_DIR", folder.Path().c_str());
    EXPECT_TRUE(Evaluate("<installedcheck type=\"check_directory\" path=\"%BWT_CHECK_DIR%\"/>"));
}

}  // namespace
