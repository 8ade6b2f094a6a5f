#include <gtest/gtest.h>

#include "lib/TextConversion.h"
#include "lib/ValueParsing.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

TEST(ParseBool, AnyCaseOfTrueOrFalse) {
    EXPECT_TRUE(ParseBool(std::wstring(L"TRUE"), false));
    EXPECT_TRUE(ParseBool(std::wstring(L"tRuE"), false));
    EXPECT_FALSE(ParseBool(std::wstring(L"False"), true));
    EXPECT_TRUE(ParseBool("True", false));
    EXPECT_FALSE(ParseBool("FALSE", true));
}

TEST(ParseBool, MissingOrEmptyGivesTheDefault) {
    EXPECT_TRUE(ParseBool(std::wstring(), true));
    EXPECT_FALSE(ParseBool(std::wstring(), false));
    EXPECT_TRUE(ParseBool(static_cast<const char*>(nullptr), true));
    EXPECT_FALSE(ParseBool("", false));
}

TEST(ParseBool, AnythingElseIsInvalidWithoutTrimming) {
    EXPECT_THROW_MESSAGE(ParseBool(std::wstring(L"yes"), false), "Invalid boolean value: yes");
    EXPECT_THROW_MESSAGE(ParseBool(std::wstring(L" true"), false), "Invalid boolean value:  true");
    EXPECT_THROW_MESSAGE(ParseBool(std::wstring(L"1"), true), "Invalid boolean value: 1");
    EXPECT_THROW_MESSAGE(ParseBool("no", true), "Invalid boolean value: no");
}

TEST(ParseInt, BlanksAndOneSignBeforeTheDigits) {
    EXPECT_EQ(ParseInt(std::wstring(L" 42")), 42);
    EXPECT_EQ(ParseInt(std::wstring(L"+7")), 7);
    EXPECT_EQ(ParseInt(std::wstring(L"-15")), -15);
    EXPECT_EQ(ParseInt(std::wstring(L"2147483647")), 2147483647);
    EXPECT_EQ(ParseInt(std::wstring(L"-2147483648")), -2147483647 - 1);
    EXPECT_EQ(ParseInt(std::string(" 12")), 12);
    EXPECT_EQ(ParseInt(std::string("ff"), 16), 255);
}

TEST(ParseInt, UnconsumedRestIsInvalid) {
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L"12abc")), "Invalid number: 12abc");
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L"42 ")), "Invalid number: 42 ");
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L"+-1")), "Invalid number: +-1");
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L" ")), "Invalid number:  ");
    EXPECT_THROW_MESSAGE(ParseInt(std::string("0x10")), "Invalid number: 0x10");
}

TEST(ParseInt, OverflowIsInvalid) {
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L"2147483648")), "Invalid number: 2147483648");
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L"-2147483649")), "Invalid number: -2147483649");
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring(L"99999999999999999999")), "Invalid number: 99999999999999999999");
    EXPECT_THROW_MESSAGE(ParseInt(std::string("4294967296")), "Invalid number: 4294967296");
}

TEST(ParseInt, EmptyTextIsMissing) {
    EXPECT_THROW_MESSAGE(ParseInt(std::wstring()), "Missing number");
    EXPECT_THROW_MESSAGE(ParseInt(std::string()), "Missing number");
}

TEST(TextConversion, MissingInputIsEmpty) {
    EXPECT_EQ(Utf8ToWide(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(AnsiToWide(static_cast<const char*>(nullptr)), L"");
    EXPECT_EQ(WideToAnsi(static_cast<const wchar_t*>(nullptr)), "");
    EXPECT_EQ(Utf8ToWide(std::string()), L"");
    EXPECT_EQ(WideToAnsi(std::wstring()), "");
}

TEST(TextConversion, Utf8AndAnsiCodePage) {
    // "Grüße €": two-byte and three-byte UTF-8 sequences.
    EXPECT_EQ(Utf8ToWide("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC"), L"Gr\u00FC\u00DFe \u20AC");
    // Code page 1252 puts the euro sign at 0x80.
    EXPECT_EQ(AnsiToWide("\xFC\x80"), L"\u00FC\u20AC");
    EXPECT_EQ(WideToAnsi(L"\u00FC\u20AC"), "\xFC\x80");
    EXPECT_EQ(WideToUtf8(L"\u00FC\u20AC"), "\xC3\xBC\xE2\x82\xAC");
}

TEST(TextConversion, TextWithoutAnsiEquivalentStillConverts) {
    // No ANSI character: the code page's replacement, never an error.
    EXPECT_EQ(WideToAnsi(L"a\u0416b").size(), 3u);
}

TEST(TextConversion, InvalidUtf8IsNotAnError) {
    EXPECT_FALSE(Utf8ToWide("a\xFF" "b").empty());
}
