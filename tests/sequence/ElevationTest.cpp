#include <gtest/gtest.h>

#include <windows.h>

#include "sequence/Elevation.h"

namespace {

DWORD HandleCount() {
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    return count;
}

// The answers agree with the system version and with each other, stay the
// same when asked again, and leave no token open.
TEST(Elevation, AnswersAreConsistentAndCloseTheirHandles) {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ASSERT_TRUE(::GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)));
    EXPECT_EQ(IsElevationSupported(), version.dwMajorVersion >= 6);

    const bool admin = IsRunAsAdmin();
    const bool inGroup = IsUserInAdminGroup();
    // An administrator's token is always one of a member of the group.
    EXPECT_TRUE(!admin || inGroup);

    const DWORD before = HandleCount();
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(IsElevationSupported(), version.dwMajorVersion >= 6);
        EXPECT_EQ(IsRunAsAdmin(), admin);
        EXPECT_EQ(IsUserInAdminGroup(), inGroup);
    }
    EXPECT_EQ(HandleCount(), before);
}

}  // namespace
