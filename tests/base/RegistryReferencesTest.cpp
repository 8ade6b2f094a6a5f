#include <gtest/gtest.h>

#include "base/RegistryReferences.h"
#include "lib/TextConversion.h"
#include "tests/base/ScratchRegistryKey.h"
#include "tests/support/Expect.h"

using Kestlib::WideToAnsi;

TEST(RegistryReferences, ValueOrDefaultWhenKeyOrValueIsMissing) {
    ScratchRegistryKey vendor(HKEY_LOCAL_MACHINE, L"Default");
    vendor.SetString(L"InstallDir", L"C:\\Program Files\\Vendor");
    const std::wstring path = L"HKEY_LOCAL_MACHINE\\" + vendor.Path();

    EXPECT_EQ(ExpandRegistryReferences(L"dir=@[" + path + L"\\InstallDir,C:\\Fallback]"),
              L"dir=C:\\Program Files\\Vendor");
    EXPECT_EQ(ExpandRegistryReferences(L"dir=@[" + path + L"\\Missing,C:\\Fallback]"), L"dir=C:\\Fallback");
    EXPECT_EQ(ExpandRegistryReferences(L"dir=@[" + path + L"-gone\\InstallDir,a,b]"), L"dir=a,b");
    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"-gone\\,fallback]"), L"fallback");
    EXPECT_EQ(ExpandRegistryReferences(L"[@[" + path + L"\\Missing,]]"), L"[]");
}

TEST(RegistryReferences, MissingValueWithoutDefaultFailsAsARegistryRead) {
    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"NoDefault");
    const std::string path = "HKEY_CURRENT_USER\\" + WideToAnsi(vendor.Path());
    EXPECT_THROW_PREFIX(ExpandRegistryReferences(L"@[HKEY_CURRENT_USER\\" + vendor.Path() + L"-gone\\Value]"),
                        "0x80070002 - Error opening " + path + "-gone: ");
    EXPECT_THROW_PREFIX(ExpandRegistryReferences(L"@[HKEY_CURRENT_USER\\" + vendor.Path() + L"\\Value]"),
                        "0x80070002 - Error quering '" + path + "\\Value': ");
}

TEST(RegistryReferences, ReadsTextNumberAndListValues) {
    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"Types");
    vendor.SetDword(L"Max", 4294967295u);
    vendor.SetDword(L"Zero", 0);
    vendor.SetMultiString(L"List", std::wstring(L"a\0b\0\0", 5));
    vendor.SetString(L"Empty", L"");
    vendor.SetString(L"", L"key default");
    vendor.SetString(L"", L"sub default", REG_SZ, L"Sub");
    const std::wstring path = L"HKEY_CURRENT_USER\\" + vendor.Path();

    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\Max]"), L"4294967295");
    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\Zero]"), L"0");
    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\List]"), L"a,b");
    EXPECT_EQ(ExpandRegistryReferences(L"<@[" + path + L"\\Empty]>"), L"<>");
    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\]"), L"key default");
    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\Sub\\]"), L"sub default");
}

TEST(RegistryReferences, OtherValueTypesAreUnsupported) {
    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"Unsupported");
    vendor.SetString(L"Expand", L"%TEMP%\\x", REG_EXPAND_SZ);
    vendor.SetBinary(L"Binary", "\x01\x02");
    const std::wstring path = L"HKEY_CURRENT_USER\\" + vendor.Path();
    const std::string narrowPath = WideToAnsi(path);

    EXPECT_THROW_MESSAGE(ExpandRegistryReferences(L"x @[" + path + L"\\Expand] y"),
                         "Registry value '" + narrowPath + "\\Expand' is of unsupported type 2");
    EXPECT_THROW_MESSAGE(ExpandRegistryReferences(L"@[" + path + L"\\Binary,default]"),
                         "Registry value '" + narrowPath + "\\Binary,default' is of unsupported type 3");
}

TEST(RegistryReferences, ViewOptionReadsEitherBranchOfTheMachineKey) {
    ScratchRegistryKey native(HKEY_LOCAL_MACHINE, L"Views", KEY_WOW64_64KEY);
    ScratchRegistryKey redirected(HKEY_LOCAL_MACHINE, L"Views", KEY_WOW64_32KEY);
    native.SetString(L"Bits", L"64");
    redirected.SetString(L"Bits", L"32");
    redirected.SetString(L"Only32", L"yes");
    const std::wstring path = native.Path() + L"\\";

    EXPECT_EQ(ExpandRegistryReferences(L"@[HKEY_LOCAL_MACHINE:WOW64_64\\" + path + L"Bits]"), L"64");
    EXPECT_EQ(ExpandRegistryReferences(L"@[HKEY_LOCAL_MACHINE:WOW64_32\\" + path + L"Bits]"), L"32");
    EXPECT_EQ(ExpandRegistryReferences(L"@[HKEY_LOCAL_MACHINE:WOW64_32\\" + path + L"Only32,no]"), L"yes");
    EXPECT_EQ(ExpandRegistryReferences(L"@[HKEY_LOCAL_MACHINE:WOW64_64\\" + path + L"Only32,no]"), L"no");
}

TEST(RegistryReferences, MalformedReferencesFailWithTheirOwnMessage) {
    EXPECT_THROW_MESSAGE(ExpandRegistryReferences(L"a @[HKEY_LOCAL_MACHINE] b"),
                         "Invalid registry path 'HKEY_LOCAL_MACHINE' in 'a @[HKEY_LOCAL_MACHINE] b'");
    EXPECT_THROW_MESSAGE(ExpandRegistryReferences(L"@[HKEY_LOCAL_MACHINE:WOW64_64,x]"),
                         "Invalid registry path 'HKEY_LOCAL_MACHINE:WOW64_64,x' in '@[HKEY_LOCAL_MACHINE:WOW64_64,x]'");
    EXPECT_THROW_MESSAGE(ExpandRegistryReferences(L"@[HKCU\\Software\\x,d]"), "Unknown HKEY: HKCU");
    EXPECT_THROW_MESSAGE(ExpandRegistryReferences(L"@[HKEY_CURRENT_USER:WOW64\\Software\\x,d]"),
                         "Invalid WOW option 'WOW64' in '@[HKEY_CURRENT_USER:WOW64\\Software\\x,d]'");
}

TEST(RegistryReferences, IncompleteOrEmptyReferencesStay) {
    EXPECT_EQ(ExpandRegistryReferences(L"mail@[]host"), L"mail@[]host");
    EXPECT_EQ(ExpandRegistryReferences(L"@[HKEY_CURRENT_USER\\Software"), L"@[HKEY_CURRENT_USER\\Software");
    EXPECT_EQ(ExpandRegistryReferences(L"a]@b[c@"), L"a]@b[c@");
    EXPECT_EQ(ExpandRegistryReferences(L"@[]@[HKEY_CURRENT_USER\\Software\\BwtNoSuchKey\\V,d]"), L"@[]d");
}

TEST(RegistryReferences, EveryReferenceIsReplacedAndValuesAreNotScannedAgain) {
    ScratchRegistryKey vendor(HKEY_CURRENT_USER, L"Chain");
    const std::wstring path = L"HKEY_CURRENT_USER\\" + vendor.Path();
    vendor.SetString(L"Inner", L"inner");
    vendor.SetString(L"Outer", L"@[" + path + L"\\Inner]");

    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\Inner]-@[" + path + L"\\Inner]"), L"inner-inner");
    EXPECT_EQ(ExpandRegistryReferences(L"@[" + path + L"\\Outer]"), L"@[" + path + L"\\Inner]");
}
