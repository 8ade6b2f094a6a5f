// A restart that fails belongs to its configuration: the next one, whose
// components ask for nothing, neither registers the resume nor restarts, and
// the run still ends with the failure.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "lib/Handles.h"
#include "tests/e2e/SetupDocuments.h"
#include "tests/support/SetupRun.h"

using namespace E2e;
using TestSupport::HasMessage;

namespace {

// The test process gives up the shutdown privilege for good; the setup it
// starts inherits the token, so its restart fails where the privilege is enabled.
void DropShutdownPrivilege() {
    Kestlib::TokenHandle token;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()));
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_REMOVED;
    ASSERT_TRUE(::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr));
    ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(FailedRestart, TheNextConfigurationNeitherRegistersTheResumeNorRestarts) {
    DropShutdownPrivilege();
    Scenario run;
    const std::wstring name = L"failed-restart-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
    const std::wstring setup = TestSupport::PackageSetup(
        run.folder.Path(),
        Document(Install("", MarkerComponent("One", run.folder / L"one.txt", "mustreboot=\"true\"")) +
                 Install("", MarkerComponent("Two", run.folder / L"two.txt"))),
        name);
    EXPECT_EQ(TestSupport::RunSetup(setup, run.Options(L"/q")), kFailed) << run.Dump();
    EXPECT_TRUE(FileExists(run.folder / L"one.txt"));
    EXPECT_TRUE(FileExists(run.folder / L"two.txt"));
    const auto log = run.Log();
    EXPECT_TRUE(HasMessage(log, "--- Component 'One: CAUSED A REBOOT")) << run.Dump();
    EXPECT_EQ(TestSupport::CountMessages(log, "--- Component 'Two: CAUSED A REBOOT"), 0u);
    size_t written = 0;
    size_t failed = 0;
    for (const std::string& message : log) {
        if (message.rfind("Writing HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\", 0) == 0)
            ++written;
        if (message.rfind("*** Failed to install one or more components: 0x80070514 - AdjustTokenPrivileges: ", 0) == 0)
            ++failed;
    }
    EXPECT_EQ(written, 1u) << run.Dump();
    EXPECT_EQ(failed, 1u) << run.Dump();
    EXPECT_TRUE(HasMessage(log, "*** Component 'Two': SUCCESS"));
    // The value the failed restart left went when the second configuration opened.
    EXPECT_EQ(TestSupport::RunValue(name), L"");
    EXPECT_FALSE(TestSupport::HasMessageStartingWith(log, "Bootwright finished"));
}

}  // namespace
