#include <gtest/gtest.h>

#include <cwctype>

#include "lib/Guid.h"
#include "tests/lib/PlatformMessages.h"
#include "tests/support/Expect.h"

using namespace Kestlib;

namespace {

const GUID kSample = {0x12345678, 0x9abc, 0xdef0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef}};
const wchar_t kSampleText[] = L"{12345678-9ABC-DEF0-0123-456789ABCDEF}";
// Right length, wrong content: the platform answers this with another code than for plain junk.
const wchar_t kMalformed38[] = L"{1234567Z-9ABC-DEF0-0123-456789ABCDEF}";

}  // namespace

TEST(Guid, TextFormAndRoundTrip) {
    EXPECT_EQ(GuidToString(kSample), kSampleText);
    EXPECT_TRUE(IsEqualGUID(StringToGuid(kSampleText), kSample));
    EXPECT_TRUE(IsEqualGUID(StringToGuid(L"{12345678-9abc-def0-0123-456789abcdef}"), kSample));
    EXPECT_EQ(GuidToString(GUID{}), L"{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, CreatedGuidsAreUpperCaseBracedAndDistinct) {
    const std::wstring first = CreateGuidString();
    const std::wstring second = CreateGuidString();
    EXPECT_NE(first, second);
    ASSERT_EQ(first.size(), 38u);
    EXPECT_EQ(first.front(), L'{');
    EXPECT_EQ(first.back(), L'}');
    for (size_t i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24)
            EXPECT_EQ(first[i], L'-');
        else
            EXPECT_TRUE(std::iswxdigit(first[i]) && !std::iswlower(first[i])) << i;
    }
    EXPECT_TRUE(IsGuidString(first));
    EXPECT_EQ(GuidToString(StringToGuid(first)), first);
}

TEST(Guid, IsGuidStringNeverThrowsForMalformedText) {
    EXPECT_TRUE(IsGuidString(L"{8E4C2D4B-0D51-4F2A-9E86-2B7F0C6A1D35}"));
    EXPECT_TRUE(IsGuidString(L"{8e4c2d4b-0d51-4f2a-9e86-2b7f0c6a1d35}"));
    EXPECT_FALSE(IsGuidString(L"setup.exe"));
    EXPECT_FALSE(IsGuidString(L""));
    EXPECT_FALSE(IsGuidString(L"8E4C2D4B-0D51-4F2A-9E86-2B7F0C6A1D35"));
    EXPECT_FALSE(IsGuidString(L"{8E4C2D4B-0D51-4F2A-9E86-2B7F0C6A1D35"));
    EXPECT_FALSE(IsGuidString(kMalformed38));
    EXPECT_FALSE(IsGuidString(L"(8E4C2D4B-0D51-4F2A-9E86-2B7F0C6A1D35)"));
    EXPECT_FALSE(IsGuidString(L"C:\\Program Files\\Quorvane\\setup files.exe"));
}

TEST(Guid, StringToGuidOfJunkFails) {
    EXPECT_THROW_MESSAGE(StringToGuid(L"junk"), "0x80070057 - Error in ::IIDFromString" + InvalidParameterEnd());
    EXPECT_THROW_MESSAGE(StringToGuid(L""), "0x80070057 - Error in ::IIDFromString" + InvalidParameterEnd());
    EXPECT_THROW_MESSAGE(StringToGuid(kMalformed38),
                         "0x800401f4 - Error in ::IIDFromString" + MessageEnd(static_cast<long>(0x800401f4UL)));
}
