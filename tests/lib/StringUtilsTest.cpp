#include <gtest/gtest.h>

#include "lib/StringUtils.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

TEST(SplitString, LimitKeepsTheRestInTheLastPiece) {
    EXPECT_EQ(SplitString(std::wstring(L"1,2,3,4,5"), L",", 4),
              (StringList{L"1", L"2", L"3", L"4,5"}));
}

TEST(SplitString, EmptyPiecesAndEmptyTextArePieces) {
    EXPECT_EQ(SplitString(std::wstring(L"a,,b"), L","), (StringList{L"a", L"", L"b"}));
    EXPECT_EQ(SplitString(std::wstring(L""), L","), (StringList{L""}));
    EXPECT_EQ(SplitString(std::wstring(L"a,b"), L",", 0), (StringList{L"a", L"b"}));
    EXPECT_EQ(SplitString(std::wstring(L"a::b::c"), L"::", 2), (StringList{L"a", L"b::c"}));
    EXPECT_EQ(SplitString(std::string("x;y"), ";"), (StringListA{"x", "y"}));
}

TEST(SplitString, OnePieceOrEmptyDelimiterIsAnError) {
    EXPECT_THROW_MESSAGE(SplitString(std::wstring(L"a,b"), L",", 1), "Invalid parameter");
    EXPECT_THROW_MESSAGE(SplitString(std::wstring(L"a,b"), L""), "Invalid parameter");
    EXPECT_THROW_MESSAGE(SplitString(std::string("a"), "", -1), "Invalid parameter");
}

TEST(JoinStrings, SeparatorOnlyBetweenNeighbours) {
    EXPECT_EQ(JoinStrings(StringList{}, L","), L"");
    EXPECT_EQ(JoinStrings(StringList{L"a"}, L","), L"a");
    EXPECT_EQ(JoinStrings(StringList{L"a", L"", L"b"}, L", "), L"a, , b");
}

TEST(Trim, RemovesOnlyCharactersOfTheSet) {
    EXPECT_EQ(Trim(std::wstring(L" \t a b \r\n"), L" \t\n\r"), L"a b");
    EXPECT_EQ(TrimLeft(std::wstring(L"  a "), L" "), L"a ");
    EXPECT_EQ(TrimRight(std::wstring(L"C:\\a\\\\"), L"\\"), L"C:\\a");
    EXPECT_EQ(Trim(std::wstring(L"\"\""), L"\""), L"");
    EXPECT_EQ(Trim(std::string(" x "), " "), "x");
}

TEST(StartsEndsWith, ShorterTextNeverMatches) {
    EXPECT_TRUE(StartsWith(std::wstring(L"file://x"), L"file://"));
    EXPECT_FALSE(StartsWith(std::wstring(L"fil"), L"file"));
    EXPECT_FALSE(StartsWith(std::wstring(L"FILE://"), L"file://"));
    EXPECT_TRUE(EndsWith(std::wstring(L"a.msi"), L".msi"));
    EXPECT_FALSE(EndsWith(std::wstring(L"si"), L".msi"));
    EXPECT_TRUE(EndsWith(std::wstring(L"x"), L""));
}

TEST(ReplaceAll, ResumesAfterTheReplacement) {
    EXPECT_EQ(ReplaceAll(std::wstring(L"a&b&&c"), L"&", L"&&"), L"a&&b&&&&c");
    EXPECT_EQ(ReplaceAll(std::wstring(L""), L"&", L"&&"), L"");
    EXPECT_EQ(ReplaceAll(std::wstring(L"abc"), L"", L"x"), L"abc");
    EXPECT_EQ(ReplaceAll(std::string("aaa"), "a", "b"), "bbb");
}
