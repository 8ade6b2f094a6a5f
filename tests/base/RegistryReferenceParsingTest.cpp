#include <gtest/gtest.h>

#include "base/OperatingSystem.h"
#include "base/RegistryReferences.h"
#include "tests/support/Expect.h"

namespace {

const std::wstring text = L"path=@[...]";

RegistryReference Parse(const std::wstring& reference) { return ParseRegistryReference(reference, text); }

}  // namespace

TEST(RegistryReferenceParsing, SplitsRootKeyValueAndDefault) {
    RegistryReference parts = Parse(L"HKEY_LOCAL_MACHINE\\Software\\Vendor\\Product\\Version,1.0,beta");
    EXPECT_EQ(parts.root, HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(parts.hasViewOption);
    EXPECT_EQ(parts.key, L"Software\\Vendor\\Product");
    EXPECT_EQ(parts.valueName, L"Version");
    EXPECT_TRUE(parts.hasDefault);
    EXPECT_EQ(parts.defaultValue, L"1.0,beta");

    parts = Parse(L"HKEY_CURRENT_USER\\Software\\Vendor\\Name");
    EXPECT_EQ(parts.root, HKEY_CURRENT_USER);
    EXPECT_EQ(parts.key, L"Software\\Vendor");
    EXPECT_EQ(parts.valueName, L"Name");
    EXPECT_FALSE(parts.hasDefault);
    EXPECT_EQ(parts.defaultValue, L"");
}

TEST(RegistryReferenceParsing, OneKeyComponentOrTrailingBackslashNamesTheDefaultValue) {
    RegistryReference parts = Parse(L"HKEY_CLASSES_ROOT\\.txt");
    EXPECT_EQ(parts.root, HKEY_CLASSES_ROOT);
    EXPECT_EQ(parts.key, L".txt");
    EXPECT_EQ(parts.valueName, L"");

    parts = Parse(L"HKEY_USERS\\.DEFAULT\\Control Panel\\");
    EXPECT_EQ(parts.root, HKEY_USERS);
    EXPECT_EQ(parts.key, L".DEFAULT\\Control Panel");
    EXPECT_EQ(parts.valueName, L"");
}

TEST(RegistryReferenceParsing, EmptyDefaultAfterCommaIsStillADefault) {
    RegistryReference parts = Parse(L"HKEY_CURRENT_CONFIG\\System\\Value,");
    EXPECT_EQ(parts.root, HKEY_CURRENT_CONFIG);
    EXPECT_TRUE(parts.hasDefault);
    EXPECT_EQ(parts.defaultValue, L"");
}

TEST(RegistryReferenceParsing, ViewOptionFollowsTheRootName) {
    RegistryReference parts = Parse(L"HKEY_LOCAL_MACHINE:WOW64_32\\Software\\Vendor\\Value");
    EXPECT_EQ(parts.root, HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(parts.hasViewOption);
    EXPECT_EQ(parts.viewOption, L"WOW64_32");
    EXPECT_EQ(parts.key, L"Software\\Vendor");
    EXPECT_EQ(parts.valueName, L"Value");

    parts = Parse(L"HKEY_LOCAL_MACHINE:\\Software");
    EXPECT_TRUE(parts.hasViewOption);
    EXPECT_EQ(parts.viewOption, L"");
}

TEST(RegistryReferenceParsing, PathWithoutKeyIsInvalid) {
    EXPECT_THROW_MESSAGE(Parse(L"HKEY_LOCAL_MACHINE"),
                         "Invalid registry path 'HKEY_LOCAL_MACHINE' in 'path=@[...]'");
    EXPECT_THROW_MESSAGE(Parse(L"HKEY_LOCAL_MACHINE,fallback"),
                         "Invalid registry path 'HKEY_LOCAL_MACHINE,fallback' in 'path=@[...]'");
    EXPECT_THROW_MESSAGE(Parse(L",fallback"), "Invalid registry path ',fallback' in 'path=@[...]'");
}

TEST(RegistryReferenceParsing, RootNamesAreExactAndLong) {
    EXPECT_THROW_MESSAGE(Parse(L"HKLM\\Software\\Value"), "Unknown HKEY: HKLM");
    EXPECT_THROW_MESSAGE(Parse(L"hkey_local_machine\\Software"), "Unknown HKEY: hkey_local_machine");
    EXPECT_THROW_MESSAGE(Parse(L"\\Software"), "Unknown HKEY: ");
    EXPECT_THROW_MESSAGE(Parse(L"HKCU:WOW64_64\\Software"), "Unknown HKEY: HKCU");
}

TEST(RegistryReferenceParsing, ViewOptionSelectsTheRegistryViewFromWindowsXP) {
    const RegistryReference view64 = Parse(L"HKEY_LOCAL_MACHINE:WOW64_64\\Software\\V");
    const RegistryReference view32 = Parse(L"HKEY_LOCAL_MACHINE:WOW64_32\\Software\\V");
    const RegistryReference none = Parse(L"HKEY_LOCAL_MACHINE\\Software\\V");
    EXPECT_EQ(RegistryReferenceView(view64, winXP, text), static_cast<DWORD>(KEY_WOW64_64KEY));
    EXPECT_EQ(RegistryReferenceView(view32, win7, text), static_cast<DWORD>(KEY_WOW64_32KEY));
    EXPECT_EQ(RegistryReferenceView(none, win7, text), 0u);
}

TEST(RegistryReferenceParsing, InvalidViewOptionFailsFromWindowsXP) {
    EXPECT_THROW_MESSAGE(RegistryReferenceView(Parse(L"HKEY_LOCAL_MACHINE:WOW64\\Software\\V"), winXP, text),
                         "Invalid WOW option 'WOW64' in 'path=@[...]'");
    EXPECT_THROW_MESSAGE(RegistryReferenceView(Parse(L"HKEY_LOCAL_MACHINE:wow64_64\\Software"), win7, text),
                         "Invalid WOW option 'wow64_64' in 'path=@[...]'");
    EXPECT_THROW_MESSAGE(RegistryReferenceView(Parse(L"HKEY_LOCAL_MACHINE:\\Software"), win7, text),
                         "Invalid WOW option '' in 'path=@[...]'");
}

TEST(RegistryReferenceParsing, ViewOptionIsIgnoredUncheckedBeforeWindowsXP) {
    EXPECT_EQ(RegistryReferenceView(Parse(L"HKEY_LOCAL_MACHINE:anything\\Software\\V"), win2000sp4, text), 0u);
    EXPECT_EQ(RegistryReferenceView(Parse(L"HKEY_LOCAL_MACHINE:WOW64_64\\Software\\V"), win98, text), 0u);
}
