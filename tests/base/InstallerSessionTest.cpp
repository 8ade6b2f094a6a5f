#include <gtest/gtest.h>

#include <windows.h>

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "lib/FileOps.h"
#include "lib/Guid.h"
#include "lib/TextConversion.h"
#include "tests/base/FreshSession.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

class InstallerSessionTest : public FreshSessionTest {
protected:
    void TearDown() override {
        FreshSessionTest::TearDown();
        InstallerLog::Release();
    }
};

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST_F(InstallerSessionTest, StartsWithAGuidOfItsOwn) {
    const std::wstring guid = InstallerSession::Instance().GetGuid();
    EXPECT_EQ(guid.size(), 38u);
    EXPECT_TRUE(Kestlib::IsGuidString(guid));
    InstallerSession::Release();
    EXPECT_NE(InstallerSession::Instance().GetGuid(), guid);
}

TEST_F(InstallerSessionTest, NewGuidReplacesTheGuidAndLogsIt) {
    TestSupport::TempFolder folder;
    InstallerLog::Instance().SetPath(folder / L"session.log");
    InstallerSession& session = InstallerSession::Instance();
    const std::wstring first = session.GetGuid();

    session.NewGuid();
    const std::wstring second = session.GetGuid();
    session.NewGuid();
    const std::wstring third = session.GetGuid();
    EXPECT_TRUE(Kestlib::IsGuidString(second));
    EXPECT_NE(second, first);
    EXPECT_NE(third, second);

    InstallerLog::Release();
    const std::string log = TestSupport::ReadTextFile(folder / L"session.log");
    EXPECT_EQ(Count(log, "\tCreateGuid: " + Kestlib::WideToAnsi(second) + "\r\n"), 1u) << log;
    EXPECT_EQ(Count(log, "\tCreateGuid: " + Kestlib::WideToAnsi(third) + "\r\n"), 1u) << log;
    EXPECT_EQ(Count(log, "CreateGuid: "), 2u) << log;
    EXPECT_EQ(Count(log, "CreateGUID"), 0u) << "the configuration loader writes that line";
}

TEST_F(InstallerSessionTest, DefaultCabPathKeepsTheFirstGuid) {
    TestSupport::TempFolder folder;
    InstallerLog::Instance().SetPath(folder / L"session.log");
    InstallerSession& session = InstallerSession::Instance();
    const std::wstring expected = Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), session.GetGuid());

    EXPECT_EQ(session.GetDefaultCabPath(), expected);
    EXPECT_TRUE(Kestlib::DirectoryExists(expected));
    session.NewGuid();
    EXPECT_EQ(session.GetDefaultCabPath(), expected);
    EXPECT_EQ(session.GetCabPath(), expected);
}

TEST_F(InstallerSessionTest, ConfiguredCabPathReplacesTheDefaultWithoutMakingIt) {
    InstallerSession& session = InstallerSession::Instance();
    session.SetConfiguredCabPath(L"C:\\Configured");
    EXPECT_EQ(session.GetCabPath(), L"C:\\Configured");
    EXPECT_TRUE(session.GetMadeDefaultCabPath().empty());

    session.SetConfiguredCabPath(L"");
    const std::wstring made = session.GetCabPath();
    EXPECT_EQ(made, Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), session.GetGuid()));
    EXPECT_EQ(session.GetMadeDefaultCabPath(), made);
}

TEST_F(InstallerSessionTest, FolderThatCannotBeMadeIsNotRecorded) {
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"file", "x");
    wchar_t saved[MAX_PATH];
    DWORD savedLength = ::GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
    ASSERT_GT(savedLength, 0u);
    ::SetEnvironmentVariableW(L"TMP", (folder / L"file\\below").c_str());

    InstallerSession& session = InstallerSession::Instance();
    // The file stands where a folder of the path must be made.
    EXPECT_THROW_PREFIX(session.GetDefaultCabPath(),
                        "0x800700b7 - Error in CreateDirectory: " + Kestlib::WideToAnsi(folder / L"file") + ": ");
    EXPECT_TRUE(session.GetMadeDefaultCabPath().empty());

    ::SetEnvironmentVariableW(L"TMP", saved);
    const std::wstring made = session.GetDefaultCabPath();
    EXPECT_TRUE(Kestlib::DirectoryExists(made));
    EXPECT_EQ(session.GetMadeDefaultCabPath(), made);
}
