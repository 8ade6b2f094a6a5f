#include <gtest/gtest.h>

#include "base/FilterMatching.h"
#include "base/OperatingSystem.h"
#include "tests/support/Expect.h"

namespace {
const int x86 = 0;
const int x64 = 9;
}  // namespace

TEST(MatchLcidFilter, ListsAndNegations) {
    EXPECT_TRUE(MatchLcidFilter(L"", 1031));
    EXPECT_TRUE(MatchLcidFilter(L"1031,1033", 1033));
    EXPECT_FALSE(MatchLcidFilter(L"1031,1033", 1036));
    EXPECT_TRUE(MatchLcidFilter(L"!1033", 1031));
    EXPECT_FALSE(MatchLcidFilter(L"!1033", 1033));
    EXPECT_TRUE(MatchLcidFilter(L"!1031,!1033", 1033));
    EXPECT_TRUE(MatchLcidFilter(L",,1031,", 1031));
}

TEST(MatchLcidFilter, BlankAfterCommaIsAcceptedBlankBeforeIsNot) {
    EXPECT_TRUE(MatchLcidFilter(L"1031, 1033", 1033));
    EXPECT_THROW_MESSAGE(MatchLcidFilter(L"1031 ,1033", 1033), "Invalid number: 1031 ");
}

TEST(MatchLcidFilter, InvalidPiecesThrowOnlyWhenReached) {
    EXPECT_TRUE(MatchLcidFilter(L"1033,abc", 1033));
    EXPECT_THROW_MESSAGE(MatchLcidFilter(L"1031,abc", 1033), "Invalid number: abc");
    EXPECT_THROW_MESSAGE(MatchLcidFilter(L"!", 1033), "Missing number");
}

TEST(MatchProcessorFilter, NegationOnlyRejects) {
    EXPECT_TRUE(MatchProcessorFilter(L"", x64));
    EXPECT_TRUE(MatchProcessorFilter(L"x86,x64", x64));
    EXPECT_FALSE(MatchProcessorFilter(L"x86", x64));
    EXPECT_FALSE(MatchProcessorFilter(L"!x86", x64));
    EXPECT_FALSE(MatchProcessorFilter(L"!x86", x86));
    EXPECT_TRUE(MatchProcessorFilter(L"!x86,x64", x64));
    EXPECT_FALSE(MatchProcessorFilter(L"!x64,x64", x64));
}

TEST(MatchProcessorFilter, NamesAreExactLowerCase) {
    EXPECT_THROW_MESSAGE(MatchProcessorFilter(L"X64", x64), "Invalid processor architecture: X64");
    EXPECT_THROW_MESSAGE(MatchProcessorFilter(L"!arm64", x64), "Invalid processor architecture: arm64");
}

TEST(MatchOsRange, BoundsAreExclusive) {
    EXPECT_TRUE(MatchOsRange(L"", L"", win7));
    EXPECT_TRUE(MatchOsRange(L"", L"", win95));
    EXPECT_FALSE(MatchOsRange(L"100", L"", winVista));
    EXPECT_TRUE(MatchOsRange(L"100", L"", winVistaSp1));
    EXPECT_TRUE(MatchOsRange(L"111", L"", win7));
    EXPECT_FALSE(MatchOsRange(L"", L"120", win7));
    for (int os : {winXPsp1, winXPsp2, winXPsp3, winServer2003, winServer2003R2sp2})
        EXPECT_TRUE(MatchOsRange(L"75", L"100", os)) << os;
    EXPECT_FALSE(MatchOsRange(L"75", L"100", winXP));
    EXPECT_FALSE(MatchOsRange(L"75", L"100", winVista));
}

TEST(MatchOsRange, InvalidBoundsThrow) {
    EXPECT_THROW_MESSAGE(MatchOsRange(L"xp", L"", win7), "Invalid number: xp");
    EXPECT_THROW_MESSAGE(MatchOsRange(L"", L"12a", win7), "Invalid number: 12a");
}
