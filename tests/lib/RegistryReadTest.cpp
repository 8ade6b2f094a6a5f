#include <gtest/gtest.h>

#include "lib/Registry.h"
#include "tests/lib/PlatformMessages.h"
#include "tests/lib/RegistryTestKey.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

TEST(RegistryRoots, LongNamesOnlyBothWays) {
    const std::pair<const wchar_t*, HKEY> roots[] = {
        {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKEY_USERS", HKEY_USERS}};
    for (const auto& root : roots) {
        EXPECT_EQ(String2HKEY(root.first), root.second);
        EXPECT_EQ(HKEY2String(root.second), root.first);
    }
    EXPECT_THROW_MESSAGE(String2HKEY(L"HKLM"), "Unknown HKEY: HKLM");
    EXPECT_THROW_MESSAGE(String2HKEY(L"hkey_local_machine"), "Unknown HKEY: hkey_local_machine");
    EXPECT_THROW_MESSAGE(String2HKEY(L""), "Unknown HKEY: ");
    EXPECT_THROW_PREFIX(HKEY2String(HKEY_PERFORMANCE_DATA), "Unknown HKEY: 0x");
}

TEST(RegistryKeyExists, KeyAndValuePresence) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetText(L"Text", L"x");
    key.SetDword(L"Number", 1);
    key.SetCharacters(L"Empty", L"", REG_SZ);
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path(), L""));
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path(), L"Text"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path(), L"Number"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path(), L"Empty"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path(), L"Missing"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path() + L"\\Missing", L""));
    EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, key.Path() + L"\\Missing", L"Text"));
}

TEST(RegistryKeyExists, OtherOpenFailuresAreErrors) {
    const std::wstring tooLong = L"Software\\" + std::wstring(300, L'a');
    EXPECT_THROW_MESSAGE(RegistryKeyExists(HKEY_CURRENT_USER, tooLong, L""),
                         "0x80070057 - Error checking whether 'HKEY_CURRENT_USER\\" + Narrow(tooLong) +
                             "' exists" + InvalidParameterEnd());
}

TEST(RegistryGetStringValue, TextTypesAsStored) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetText(L"", L"default value");
    key.SetText(L"Plain", L"hello world");
    key.SetText(L"Expandable", L"%TEMP%\\x", REG_EXPAND_SZ);
    key.SetText(L"Unicode", L"Gr\u00fc\u00dfe \u20ac \u4e2d");
    key.SetText(L"EmptyWithTerminator", L"");
    key.SetCharacters(L"SizeZero", L"", REG_SZ);
    key.SetCharacters(L"NoTerminator", L"abc", REG_SZ);
    key.SetCharacters(L"ExtraTerminators", std::wstring(L"abc\0\0", 5), REG_SZ);
    key.SetRaw(L"OddSize", REG_SZ, L"abc", 7);
    const std::wstring& path = key.Path();
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L""), L"default value");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"Plain"), L"hello world");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"Expandable"), L"%TEMP%\\x");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"Unicode"), L"Gr\u00fc\u00dfe \u20ac \u4e2d");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"EmptyWithTerminator"), L"");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"SizeZero"), L"");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"NoTerminator"), L"abc");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"ExtraTerminators"), L"abc");
    EXPECT_EQ(RegistryGetStringValue(HKEY_CURRENT_USER, path, L"OddSize"), L"abc");
}

TEST(RegistryGetStringValue, FailureMessages) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetDword(L"Number", 4);
    key.SetText(L"List", L"a", REG_MULTI_SZ);
    const std::string path = "HKEY_CURRENT_USER\\" + Narrow(key.Path());
    EXPECT_THROW_MESSAGE(RegistryGetStringValue(HKEY_CURRENT_USER, key.Path(), L"Number"),
                         "Error quering '" + path + "\\Number' value, unexpected type 4");
    EXPECT_THROW_MESSAGE(RegistryGetStringValue(HKEY_CURRENT_USER, key.Path(), L"List"),
                         "Error quering '" + path + "\\List' value, unexpected type 7");
    EXPECT_THROW_MESSAGE(RegistryGetStringValue(HKEY_CURRENT_USER, key.Path(), L"Missing"),
                         "0x80070002 - Error quering '" + path + "\\Missing' value size" + NotFoundEnd());
    EXPECT_THROW_MESSAGE(RegistryGetStringValue(HKEY_CURRENT_USER, key.Path() + L"\\Sub", L"Plain"),
                         "0x80070002 - Error opening " + path + "\\Sub" + NotFoundEnd());
}

TEST(RegistryGetDWORD, ValuesAndFailureMessages) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetDword(L"Zero", 0);
    key.SetDword(L"Max", 0xFFFFFFFF);
    key.SetDword(L"Reboot", 3010);
    key.SetText(L"Text", L"5");
    const unsigned long long wide = 7;
    key.SetRaw(L"EightBytes", REG_DWORD, &wide, sizeof(wide));
    key.SetRaw(L"SizeZero", REG_DWORD, nullptr, 0);
    key.SetRaw(L"Binary", REG_BINARY, &wide, 4);
    const std::wstring& k = key.Path();
    EXPECT_EQ(RegistryGetDWORD(HKEY_CURRENT_USER, k, L"Zero"), 0u);
    EXPECT_EQ(RegistryGetDWORD(HKEY_CURRENT_USER, k, L"Max"), 0xFFFFFFFFu);
    EXPECT_EQ(RegistryGetDWORD(HKEY_CURRENT_USER, k, L"Reboot"), 3010u);
    const std::string path = "HKEY_CURRENT_USER\\" + Narrow(k);
    for (const wchar_t* name : {L"Text", L"EightBytes", L"SizeZero", L"Binary"}) {
        EXPECT_THROW_MESSAGE(RegistryGetDWORD(HKEY_CURRENT_USER, k, name),
                             "Error quering '" + path + "\\" + Narrow(name) + "', unexpected type");
    }
    EXPECT_THROW_MESSAGE(RegistryGetDWORD(HKEY_CURRENT_USER, k, L"Missing"),
                         "0x80070002 - Error quering '" + path + "\\Missing' size" + NotFoundEnd());
    EXPECT_THROW_MESSAGE(RegistryGetDWORD(HKEY_CURRENT_USER, k + L"\\Sub", L"Zero"),
                         "0x80070002 - Error opening '" + path + "\\Sub'" + NotFoundEnd());
}

TEST(RegistryGetMultiStringValue, TextsAndTerminators) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetCharacters(L"Two", std::wstring(L"first\0second\0\0", 14), REG_MULTI_SZ);
    key.SetCharacters(L"EmptyInside", std::wstring(L"a\0\0b\0\0", 6), REG_MULTI_SZ);
    key.SetCharacters(L"SizeZero", L"", REG_MULTI_SZ);
    key.SetCharacters(L"OnlyTerminator", std::wstring(L"\0", 1), REG_MULTI_SZ);
    key.SetCharacters(L"NoListTerminator", std::wstring(L"a\0b\0", 4), REG_MULTI_SZ);
    key.SetCharacters(L"NoTerminators", std::wstring(L"a\0b", 3), REG_MULTI_SZ);
    key.SetCharacters(L"Single", std::wstring(L"only\0", 5), REG_MULTI_SZ);
    const std::wstring& k = key.Path();
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"Two"), (StringList{L"first", L"second"}));
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"EmptyInside"), (StringList{L"a", L"", L"b"}));
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"SizeZero"), StringList{});
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"OnlyTerminator"), StringList{});
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"NoListTerminator"), (StringList{L"a", L"b"}));
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"NoTerminators"), (StringList{L"a", L"b"}));
    EXPECT_EQ(RegistryGetMultiStringValue(HKEY_CURRENT_USER, k, L"Single"), StringList{L"only"});
}

TEST(RegistryGetMultiStringValue, FailureMessages) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetText(L"Text", L"a");
    const std::string path = "HKEY_CURRENT_USER\\" + Narrow(key.Path());
    EXPECT_THROW_MESSAGE(RegistryGetMultiStringValue(HKEY_CURRENT_USER, key.Path(), L"Text"),
                         "Error quering '" + path + "\\Text' value, unexpected type 1");
    EXPECT_THROW_MESSAGE(RegistryGetMultiStringValue(HKEY_CURRENT_USER, key.Path(), L"Missing"),
                         "0x80070002 - Error quering '" + path + "\\Missing' value size" + NotFoundEnd());
    EXPECT_THROW_MESSAGE(RegistryGetMultiStringValue(HKEY_CURRENT_USER, key.Path() + L"\\Sub", L"Text"),
                         "0x80070002 - Error opening " + path + "\\Sub" + NotFoundEnd());
}

TEST(RegistryGetValueType, TypesAndFailureMessages) {
    RegistryTestKey key(HKEY_CURRENT_USER);
    key.SetText(L"Sz", L"a");
    key.SetText(L"Expand", L"a", REG_EXPAND_SZ);
    key.SetDword(L"Dword", 1);
    key.SetText(L"Multi", L"a", REG_MULTI_SZ);
    key.SetRaw(L"Binary", REG_BINARY, "x", 1);
    const std::wstring& k = key.Path();
    EXPECT_EQ(RegistryGetValueType(HKEY_CURRENT_USER, k, L"Sz"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(RegistryGetValueType(HKEY_CURRENT_USER, k, L"Expand"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(RegistryGetValueType(HKEY_CURRENT_USER, k, L"Dword"), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(RegistryGetValueType(HKEY_CURRENT_USER, k, L"Multi"), static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(RegistryGetValueType(HKEY_CURRENT_USER, k, L"Binary"), static_cast<DWORD>(REG_BINARY));
    const std::string path = "HKEY_CURRENT_USER\\" + Narrow(k);
    EXPECT_THROW_MESSAGE(RegistryGetValueType(HKEY_CURRENT_USER, k, L"Missing"),
                         "0x80070002 - Error quering '" + path + "\\Missing'" + NotFoundEnd());
    EXPECT_THROW_MESSAGE(RegistryGetValueType(HKEY_CURRENT_USER, k + L"\\Sub", L"Sz"),
                         "0x80070002 - Error opening " + path + "\\Sub" + NotFoundEnd());
}
