#include <gtest/gtest.h>

#include <windows.h>

#include "base/InstallerSession.h"
#include "base/Variables.h"
#include "lib/FileOps.h"
#include "tests/base/ScratchRegistryKey.h"
#include "tests/support/Expect.h"

namespace {

class ResolvedVariables : public ::testing::Test {
protected:
    void SetUp() override { InstallerSession::Release(); }
    void TearDown() override {
        for (const wchar_t* name : {L"BWT_H5_A", L"BWT_H5_B"}) ::SetEnvironmentVariableW(name, nullptr);
        InstallerSession::Release();
    }
};

std::wstring Pid() { return std::to_wstring(::GetCurrentProcessId()); }

}  // namespace

TEST_F(ResolvedVariables, PlainTextIsUnchanged) {
    EXPECT_EQ(ResolveVariables(L""), L"");
    EXPECT_EQ(ResolveVariables(L"Install the product, 100% sure"), L"Install the product, 100% sure");
}

TEST_F(ResolvedVariables, EnvironmentValuesPassThroughTheLaterPasses) {
    ::SetEnvironmentVariableW(L"BWT_H5_A", L"pid=#PID");
    EXPECT_EQ(ResolveVariables(L"[%BWT_H5_A%]"), L"[pid=" + Pid() + L"]");

    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"Chained");
    vendor.SetString(L"Version", L"2.1");
    ::SetEnvironmentVariableW(L"BWT_H5_B", (L"@[HKEY_CURRENT_USER\\" + vendor.Path() + L"\\Version]").c_str());
    EXPECT_EQ(ResolveVariables(L"v%BWT_H5_B%"), L"v2.1");
}

TEST_F(ResolvedVariables, ProgramValuesPassThroughTheRegistryPass) {
    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"FromCabPath");
    vendor.SetString(L"Folder", L"D:\\Payload");
    InstallerSession::Instance().SetConfiguredCabPath(L"@[HKEY_CURRENT_USER\\" + vendor.Path() + L"\\Folder]");
    EXPECT_EQ(ResolveVariables(L"#CABPATH\\a.msi"), L"D:\\Payload\\a.msi");
}

TEST_F(ResolvedVariables, NoPassScansWhatItOrALaterPassProduced) {
    ::SetEnvironmentVariableW(L"BWT_H5_A", L"%BWT_H5_B%");
    ::SetEnvironmentVariableW(L"BWT_H5_B", L"b");
    EXPECT_EQ(ResolveVariables(L"%BWT_H5_A%"), L"%BWT_H5_B%");

    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"Literal");
    vendor.SetString(L"Text", L"%BWT_H5_B% #PID #bad");
    EXPECT_EQ(ResolveVariables(L"@[HKEY_CURRENT_USER\\" + vendor.Path() + L"\\Text]"), L"%BWT_H5_B% #PID #bad");
}

TEST_F(ResolvedVariables, FailuresQuoteTheTextAsItEnteredThePass) {
    ::SetEnvironmentVariableW(L"BWT_H5_A", L"#Temp");
    EXPECT_THROW_MESSAGE(ResolveVariables(L"dir=%BWT_H5_A%"), "Invalid variable #Temp in 'dir=#Temp'");

    ::SetEnvironmentVariableW(L"BWT_H5_B", L"HKEY_LOCAL_MACHINE");
    EXPECT_THROW_MESSAGE(ResolveVariables(L"#PID @[%BWT_H5_B%]"),
                         "Invalid registry path 'HKEY_LOCAL_MACHINE' in '" + std::to_string(::GetCurrentProcessId()) +
                             " @[HKEY_LOCAL_MACHINE]'");
}
