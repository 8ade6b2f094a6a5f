#include <gtest/gtest.h>

#include "lib/Registry.h"
#include "tests/lib/RegistryTestKey.h"

using namespace Kestlib;

// The machine's software branch is split into a 64-bit and a 32-bit view;
// a test writes a key of the same name into each and checks each reader.
TEST(RegistryViews, EachViewSeesOnlyItsOwnBranch) {
    RegistryTestKey native(HKEY_LOCAL_MACHINE, L"", KEY_WOW64_64KEY);
    RegistryTestKey redirected(HKEY_LOCAL_MACHINE, L"", KEY_WOW64_32KEY);
    ASSERT_EQ(native.Path(), redirected.Path());
    native.SetText(L"View", L"64");
    native.SetDword(L"Bits", 64);
    native.SetCharacters(L"List", std::wstring(L"x64\0\0", 5), REG_MULTI_SZ);
    redirected.SetText(L"View", L"32");
    redirected.SetDword(L"Bits", 32);
    redirected.SetCharacters(L"List", std::wstring(L"x86\0\0", 5), REG_MULTI_SZ);
    redirected.SetText(L"OnlyIn32", L"yes");
    const std::wstring& k = native.Path();

    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, k, L"View"), L"64");
    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, k, L"View", KEY_WOW64_64KEY), L"64");
    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, k, L"View", KEY_WOW64_32KEY), L"32");
    EXPECT_EQ(RegistryGetDWORD(HKEY_LOCAL_MACHINE, k, L"Bits", KEY_WOW64_64KEY), 64u);
    EXPECT_EQ(RegistryGetDWORD(HKEY_LOCAL_MACHINE, k, L"Bits", KEY_WOW64_32KEY), 32u);
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_LOCAL_MACHINE, k, L"List", KEY_WOW64_64KEY), StringList{L"x64"});
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_LOCAL_MACHINE, k, L"List", KEY_WOW64_32KEY), StringList{L"x86"});
    EXPECT_EQ(RegistryGetValueType(HKEY_LOCAL_MACHINE, k, L"OnlyIn32", KEY_WOW64_32KEY),
              static_cast<DWORD>(REG_SZ));

    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"OnlyIn32", KEY_WOW64_32KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"OnlyIn32", KEY_WOW64_64KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"OnlyIn32"));
    // The 32-bit branch is stored below Wow6432Node of the 64-bit one.
    const std::wstring physical = L"Software\\Wow6432Node" + k.substr(k.find(L'\\'));
    EXPECT_EQ(RegistryGetStringValue(HKEY_LOCAL_MACHINE, physical, L"View", KEY_WOW64_64KEY), L"32");
}

TEST(RegistryViews, KeyPresentInOneViewOnly) {
    RegistryTestKey redirected(HKEY_LOCAL_MACHINE, L"", KEY_WOW64_32KEY);
    const std::wstring& k = redirected.Path();
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"", KEY_WOW64_32KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L"", KEY_WOW64_64KEY));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, k, L""));
}
