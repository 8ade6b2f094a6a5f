#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/InstallerSession.h"
#include "lib/TextConversion.h"
#include "tests/base/LogCapture.h"
#include "tests/components/ComponentLoading.h"
#include "tests/components/ProcessTesting.h"
#include "tests/products/TestPackages.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

using namespace ProcessTesting;

namespace {

// Asks for a reboot when installed (msiexec ends with 3010); its launch
// condition-free removal ends with 0.
const TestPackage Reboot = {L"reboot-1.0.0.msi", L"{01C4B12C-5F96-483A-9AA0-019BF6AE30A9}",
                            L"Bootwright Test Reboot", L"1.0.0"};
// Its launch condition never holds (msiexec ends with 1603).
const TestPackage Refused = {L"refused-1.0.0.msi", L"{50C6E24B-9CD8-4274-8EC6-8B43C93C1D62}",
                             L"Bootwright Test Refused", L"1.0.0"};

std::string Ansi(const std::wstring& text) { return Kestlib::WideToAnsi(text); }

std::wstring PackagePath(const TestPackage& package) {
    return TestSupport::BinDirectory() + L"testdata\\" + package.file;
}

// Components run at the silent level; every case removes what it installed.
class MsiComponentTest : public ProcessComponentTestBase {
protected:
    void SetUp() override {
        ProcessComponentTestBase::SetUp();
        RemoveAll();
        SetLevel(UiLevelSilent);
    }
    void TearDown() override {
        RemoveAll();
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\BootwrightTests");
        ProcessComponentTestBase::TearDown();
    }

    static ComponentPtr Msi(const std::string& description, const std::wstring& package) {
        return LoadComponent("<component type=\"msi\" description=\"" + description + "\" package=\"" +
                             Ansi(package) + "\" cmdparameters=\"/qf\" cmdparameters_silent=\"/qn\"/>");
    }

    LogCapture log;
    TestSupport::TempFolder folder;

private:
    static void RemoveAll() {
        for (const TestPackage& package : {Reboot, Family100}) {
            if (package.IsInstalled()) package.Uninstall();
        }
    }
};

TEST_F(MsiComponentTest, ARebootRequestIsSuccessAndTheSystemMsiexecRuns) {
    ASSERT_TRUE(::CopyFileW(PackagePath(Reboot).c_str(), (folder / Reboot.file).c_str(), FALSE));
    const std::wstring mark = folder / L"planted-ran.txt";
    ScopedVariable target(L"PROC_PRINTARGS_OUTPUT", mark);
    ScopedCurrentDirectory current(folder.Path());
    ComponentPtr component = Msi("Reboot", Reboot.file);
    {
        // An msiexec.exe beside this program or in the current folder must not be the one that runs.
        PlantedProgram besideProgram(Program(L"msiexec.exe"));
        PlantedProgram inCurrentFolder(folder / L"msiexec.exe");
        component->Exec();
        component->Wait(1000);
    }
    EXPECT_FALSE(FileExists(mark));
    EXPECT_EQ(component->GetExitCode(), 3010u);
    EXPECT_TRUE(component->IsRebootRequired());
    EXPECT_TRUE(Reboot.IsInstalled());
    EXPECT_TRUE(log.HasLine("-- Additional command-line parameters: /qn"));
    EXPECT_TRUE(log.HasLine("Executing: msiexec /I \"" + Ansi(folder / Reboot.file) + "\" /qn"));
}

TEST_F(MsiComponentTest, AFailedInstallationReportsTheCodeInHexadecimal) {
    ComponentPtr component = Msi("Refused", PackagePath(Refused));
    component->Exec();
    EXPECT_THROW_MESSAGE(component->Wait(1000), "Error executing 'Refused': 0x643");
    EXPECT_EQ(component->GetExitCode(), 1603u);
    EXPECT_FALSE(component->IsRebootRequired());
    EXPECT_FALSE(Refused.IsInstalled());
}

TEST_F(MsiComponentTest, AProductCodeRunsMsiexecOnTheCodeItself) {
    Family100.Install();
    ASSERT_TRUE(Family100.IsInstalled());
    InstallerSession::Instance().componentArgs[L"Family"] = L"REMOVE=ALL";
    ComponentPtr component = Msi("Family", Family100.productCode);
    component->Exec();
    component->Wait(1000);
    EXPECT_EQ(component->GetExitCode(), 0u);
    EXPECT_FALSE(component->IsRebootRequired());
    EXPECT_FALSE(Family100.IsInstalled());
    EXPECT_TRUE(log.HasLine("Executing: msiexec /I \"" + Ansi(Family100.productCode) + "\" /qn REMOVE=ALL"));
}

}  // namespace
