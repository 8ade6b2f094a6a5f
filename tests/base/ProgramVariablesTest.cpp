#include <gtest/gtest.h>

#include <windows.h>

#include "base/InstallerSession.h"
#include "base/ProgramVariables.h"
#include "lib/FileOps.h"
#include "tests/base/FreshSession.h"
#include "tests/support/Expect.h"

namespace {

using ProgramVariables = FreshSessionTest;

std::wstring Pid() { return std::to_wstring(::GetCurrentProcessId()); }

}  // namespace

TEST_F(ProgramVariables, FoldersOfTheSystemAndTheProgram) {
    wchar_t buffer[MAX_PATH];
    ::GetSystemDirectoryW(buffer, MAX_PATH);
    EXPECT_EQ(ExpandProgramVariables(L"#SYSTEMPATH"), buffer);
    ::GetWindowsDirectoryW(buffer, MAX_PATH);
    EXPECT_EQ(ExpandProgramVariables(L"#WINDOWSPATH"), buffer);
    ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
    EXPECT_EQ(ExpandProgramVariables(L"#SYSTEMWINDOWSPATH"), buffer);

    ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring module = buffer;
    EXPECT_EQ(ExpandProgramVariables(L"#APPPATH") + L"test_base.exe", module);
}

TEST_F(ProgramVariables, TempPathEndsWithSeparatorAndGuidHasBraces) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring guid = InstallerSession::Instance().GetGuid();
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), L'{');
    EXPECT_EQ(guid.back(), L'}');
    EXPECT_EQ(ExpandProgramVariables(L"#TEMPPATH\\#GUID"), std::wstring(temp) + L"\\" + guid);
    EXPECT_EQ(ExpandProgramVariables(L"#PID/#PID"), Pid() + L"/" + Pid());
}

TEST_F(ProgramVariables, HashWithoutLetterStays) {
    EXPECT_EQ(ExpandProgramVariables(L""), L"");
    EXPECT_EQ(ExpandProgramVariables(L"#"), L"#");
    EXPECT_EQ(ExpandProgramVariables(L"item #1, #_x, # y, end#"), L"item #1, #_x, # y, end#");
    EXPECT_EQ(ExpandProgramVariables(L"##PID#"), L"#" + Pid() + L"#");
    EXPECT_EQ(ExpandProgramVariables(L"#\x00c4PID"), L"#\x00c4PID");
}

TEST_F(ProgramVariables, NameEndsAtTheFirstNonLetter) {
    EXPECT_EQ(ExpandProgramVariables(L"#PID1"), Pid() + L"1");
    EXPECT_EQ(ExpandProgramVariables(L"x#PID\\y"), L"x" + Pid() + L"\\y");
    EXPECT_EQ(ExpandProgramVariables(L"#PID-#PID"), Pid() + L"-" + Pid());
}

TEST_F(ProgramVariables, UnknownOrMiscasedNameFails) {
    EXPECT_THROW_MESSAGE(ExpandProgramVariables(L"dir=#temppath\\x"), "Invalid variable #temppath in 'dir=#temppath\\x'");
    EXPECT_THROW_MESSAGE(ExpandProgramVariables(L"#PIDX"), "Invalid variable #PIDX in '#PIDX'");
    EXPECT_THROW_MESSAGE(ExpandProgramVariables(L"#PID #TEMPPATHS"), "Invalid variable #TEMPPATHS in '#PID #TEMPPATHS'");
    EXPECT_THROW_MESSAGE(ExpandProgramVariables(L"color #ff0000"), "Invalid variable #ff in 'color #ff0000'");
}

TEST_F(ProgramVariables, CabPathDefaultFolderIsMadeOnceOnFirstUse) {
    InstallerSession& session = InstallerSession::Instance();
    const std::wstring expected = Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), session.GetGuid());
    ASSERT_FALSE(Kestlib::DirectoryExists(expected));

    EXPECT_EQ(ExpandProgramVariables(L"x#TEMPPATH"), L"x" + Kestlib::GetTemporaryDirectory());
    EXPECT_TRUE(session.GetMadeDefaultCabPath().empty()) << "only #CABPATH makes the folder";

    EXPECT_EQ(ExpandProgramVariables(L"#CABPATH\\setup.msi"), expected + L"\\setup.msi");
    EXPECT_TRUE(Kestlib::DirectoryExists(expected));
    EXPECT_EQ(session.GetMadeDefaultCabPath(), expected);

    // The run holds the folder it made: nobody removes or renames it meanwhile.
    EXPECT_FALSE(::RemoveDirectoryW(expected.c_str()));
    EXPECT_FALSE(::MoveFileW(expected.c_str(), (expected + L"-moved").c_str()));
    EXPECT_EQ(ExpandProgramVariables(L"#CABPATH"), expected);
    EXPECT_TRUE(session.RemoveFolder(expected));
    EXPECT_EQ(ExpandProgramVariables(L"#CABPATH"), expected);
    EXPECT_FALSE(Kestlib::DirectoryExists(expected)) << "the folder is made only the first time";
}

TEST_F(ProgramVariables, ConfiguredCabPathWinsAndIsNotScannedAgain) {
    InstallerSession& session = InstallerSession::Instance();
    session.SetConfiguredCabPath(L"C:\\Setup#PID");
    EXPECT_EQ(ExpandProgramVariables(L"#CABPATH\\a.msi"), L"C:\\Setup#PID\\a.msi");
    EXPECT_TRUE(session.GetMadeDefaultCabPath().empty());
}
