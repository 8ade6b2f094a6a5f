#include <gtest/gtest.h>

#include "lib/Version.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

namespace {

void ExpectVersion(const std::wstring& text, int major, int minor, int build, int revision) {
    Version v = ParseVersion(text);
    EXPECT_EQ(v.major, major);
    EXPECT_EQ(v.minor, minor);
    EXPECT_EQ(v.build, build);
    EXPECT_EQ(v.revision, revision);
}

}  // namespace

TEST(ParseVersion, MissingPartsAreZero) {
    ExpectVersion(L"", 0, 0, 0, 0);
    ExpectVersion(L"7", 7, 0, 0, 0);
    ExpectVersion(L"1.2", 1, 2, 0, 0);
    ExpectVersion(L"1.2.3", 1, 2, 3, 0);
    ExpectVersion(L"10.20.30.40", 10, 20, 30, 40);
    ExpectVersion(L"01.002", 1, 2, 0, 0);
    ExpectVersion(L"2147483647.0.0.2147483647", 2147483647, 0, 0, 2147483647);
}

TEST(ParseVersion, OnlyDigitsAndDotsAreAccepted) {
    EXPECT_THROW_MESSAGE(ParseVersion(L"1.2a"), "Invalid version format: 1.2a");
    EXPECT_THROW_MESSAGE(ParseVersion(L"1. 2"), "Invalid version format: 1. 2");
    EXPECT_THROW_MESSAGE(ParseVersion(L" 1.2"), "Invalid version format:  1.2");
    EXPECT_THROW_MESSAGE(ParseVersion(L"-1.2"), "Invalid version format: -1.2");
    EXPECT_THROW_MESSAGE(ParseVersion(L"+1"), "Invalid version format: +1");
    EXPECT_THROW_MESSAGE(ParseVersion(L"1,2"), "Invalid version format: 1,2");
}

TEST(ParseVersion, BadPiecesNameThePiece) {
    EXPECT_THROW_MESSAGE(ParseVersion(L"1.2.3.4.5"), "Invalid number: 4.5");
    EXPECT_THROW_MESSAGE(ParseVersion(L"1.2.3.4."), "Invalid number: 4.");
    EXPECT_THROW_MESSAGE(ParseVersion(L"1..2"), "Missing number");
    EXPECT_THROW_MESSAGE(ParseVersion(L"1."), "Missing number");
    EXPECT_THROW_MESSAGE(ParseVersion(L".1"), "Missing number");
    EXPECT_THROW_MESSAGE(ParseVersion(L"."), "Missing number");
    EXPECT_THROW_MESSAGE(ParseVersion(L"1.2147483648"), "Invalid number: 2147483648");
    EXPECT_THROW_MESSAGE(ParseVersion(L"99999999999999999999"), "Invalid number: 99999999999999999999");
}

TEST(CompareVersion, ComparesPartByPartAsNumbers) {
    EXPECT_EQ(CompareVersion(L"10.0", L"9.9.9.9"), 1);
    EXPECT_EQ(CompareVersion(L"9.9.9.9", L"10.0"), -1);
    EXPECT_EQ(CompareVersion(L"1.2", L"1.2.0.0"), 0);
    EXPECT_EQ(CompareVersion(L"1.02", L"1.2"), 0);
    EXPECT_EQ(CompareVersion(L"", L"0.0.0.0"), 0);
    EXPECT_EQ(CompareVersion(L"1.2.3.4", L"1.2.3.5"), -1);
    EXPECT_EQ(CompareVersion(L"1.2.4", L"1.2.3.9"), 1);
    EXPECT_EQ(CompareVersion(L"0.0.0.1", L""), 1);
    EXPECT_EQ(CompareVersion(L"2147483647", L"2147483646.9"), 1);
}

TEST(CompareVersion, EitherSideFailingPropagates) {
    EXPECT_THROW_MESSAGE(CompareVersion(L"1.x", L"1.0"), "Invalid version format: 1.x");
    EXPECT_THROW_MESSAGE(CompareVersion(L"1.0", L"1..0"), "Missing number");
}
