#include <gtest/gtest.h>

#include "lib/Registry.h"
#include "tests/lib/PlatformMessages.h"
#include "tests/lib/RegistryTestKey.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(RegistrySetStringValue, CreatesWritesAndDeletesUnderLocalMachine) {
    RegistryTestKey parent(HKEY_LOCAL_MACHINE);
    const std::wstring k = parent.Path() + L"\\Created\\Deeper";
    const std::wstring command = L"\"C:\\Program Files\\Setup\\setup.exe\" /Reboot";
    RegistrySetStringValue(k, L"Resume", command);

    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, k, L"Resume"), command);
    EXPECT_EQ(RegistryGetValueType(HKEY_LOCAL_MACHINE, k, L"Resume"), static_cast<DWORD>(REG_SZ));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, k.c_str(), L"Resume", RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                             &size),
              ERROR_SUCCESS);
    EXPECT_EQ(size, (command.size() + 1) * sizeof(wchar_t));
    // Written in the native view only.
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"Resume", KEY_WOW64_32KEY));

    RegistrySetStringValue(k, L"Resume", L"");
    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, k, L"Resume"), L"");
    RegistrySetStringValue(k, L"", L"default");
    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, k, L""), L"default");

    RegistryDeleteValue(k, L"Resume");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"Resume"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L""));
    EXPECT_THROW_MESSAGE(RegistryDeleteValue(k, L"Resume"),
                         "0x80070002 - Error deleting 'HKEY_LOCAL_MACHINE\\" + Narrow(k) +
                             "\\Resume'" + NotFoundEnd());
    EXPECT_THROW_MESSAGE(RegistryDeleteValue(k + L"\\Missing", L"Resume"),
                         "0x80070002 - Error opening 'HKEY_LOCAL_MACHINE\\" + Narrow(k) +
                             "\\Missing'" + NotFoundEnd());
}

TEST(RegistrySetStringValue, FailureMessages) {
    RegistryTestKey parent(HKEY_LOCAL_MACHINE);
    const std::wstring tooLong = parent.Path() + L"\\" + std::wstring(300, L'a');
    EXPECT_THROW_MESSAGE(RegistrySetStringValue(tooLong, L"Name", L"x"),
                         "0x80070057 - Error creating 'HKEY_LOCAL_MACHINE\\" + Narrow(tooLong) +
                             "'" + InvalidParameterEnd());
    const std::wstring longName(20000, L'v');
    EXPECT_THROW_MESSAGE(RegistrySetStringValue(parent.Path(), longName, L"x"),
                         "0x80070057 - Error setting 'HKEY_LOCAL_MACHINE\\" + Narrow(parent.Path()) + "'" +
                             Narrow(longName) + "' value" + InvalidParameterEnd());
}
