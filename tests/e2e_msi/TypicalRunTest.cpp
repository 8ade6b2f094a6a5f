// A whole installation as a silent run does it: the payload with its package
// is extracted, an msi and a command component run, the extraction folder
// goes away; the next run finds everything installed.
#include <gtest/gtest.h>

#include <windows.h>

#include <msi.h>

#include <string>

#include "lib/Process.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::HasMessage;
using TestSupport::RunSetup;

namespace {

const wchar_t kProductCode[] = L"{78886B22-3CD9-4C76-99B7-490E416F690D}";

bool ProductInstalled() { return ::MsiQueryProductStateW(kProductCode) == INSTALLSTATE_DEFAULT; }

void RemoveProduct() {
    if (!ProductInstalled()) return;
    EXPECT_EQ(Kestlib::RunProcessAndWait(std::wstring(L"msiexec.exe /x ") + kProductCode + L" /qn"), 0u);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\BootwrightTests\\Family1");
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\BootwrightTests");
}

class TypicalRun : public ::testing::Test {
protected:
    void SetUp() override { RemoveProduct(); }
    void TearDown() override {
        RemoveProduct();
        EXPECT_FALSE(ProductInstalled());
    }
};

TEST_F(TypicalRun, InstallsThePackageAndTheCommandThenFindsBothInstalled) {
    Scenario run;
    const std::wstring extraction = run.folder / L"extracted";
    const std::wstring package = TestSupport::BinDirectory() + L"testdata\\family-1.0.0.msi";
    const std::string components =
        "    <component type=\"msi\" description=\"Family\" package=\"#CABPATH\\family.msi\" "
        "cmdparameters_silent=\"/qn\">\n"
        "      <installedcheck type=\"check_product\" id_type=\"productcode\" id=\"" + Utf8(kProductCode) +
        "\" comparison=\"exists\"/>\n"
        "      <embedfile sourcefilepath=\"" + Xml(package) + "\" targetfilepath=\"family.msi\"/>\n"
        "    </component>\n" +
        MarkerComponent("Tools", run.folder / L"tools.txt");
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(), Document(Install("cab_path=\"" + Xml(extraction) + "\"", components)));

    // Without /LogFile: the log goes to the temporary folder, and the
    // package's command line is exactly the document's.
    TestSupport::SetupOptions options;
    options.arguments = L"/q";
    options.environment = {{L"TEMP", run.folder.Path()}, {L"TMP", run.folder.Path()}};
    const std::wstring defaultLog = run.folder / L"qvn12bs.log";
    EXPECT_EQ(RunSetup(setup, options, 120000), 0u) << TestSupport::JoinMessages(TestSupport::ReadLogMessages(defaultLog));
    EXPECT_TRUE(ProductInstalled());
    EXPECT_TRUE(FileExists(run.folder / L"tools.txt"));
    EXPECT_FALSE(FolderExists(extraction));
    auto log = TestSupport::ReadLogMessages(defaultLog);
    EXPECT_TRUE(HasMessage(log, "-- Family: NOT INSTALLED")) << TestSupport::JoinMessages(log);
    EXPECT_TRUE(HasMessage(log, "Executing: msiexec /I \"" + TestSupport::Ansi(extraction) + "\\family.msi\" /qn"))
        << TestSupport::JoinMessages(log);
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "-- Package log: "));
    EXPECT_TRUE(HasMessage(log, "*** Component 'Family': SUCCESS"));
    EXPECT_TRUE(HasMessage(log, "*** Component 'Tools': SUCCESS"));
    EXPECT_TRUE(HasMessage(log, "Deleting temporary folder: " + TestSupport::Ansi(extraction)));
    EXPECT_EQ(log.back(), kFinishedZero);

    ::DeleteFileW(run.log.c_str());
    EXPECT_EQ(RunSetup(setup, run.Options(L"/q"), 120000), 0u) << run.Dump();
    log = run.Log();
    EXPECT_TRUE(HasMessage(log, "-- Family: INSTALLED")) << run.Dump();
    EXPECT_TRUE(HasMessage(log, "-- Tools: INSTALLED")) << run.Dump();
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "Executing: "));
    EXPECT_EQ(log.back(), kFinishedZero);
}

}  // namespace
