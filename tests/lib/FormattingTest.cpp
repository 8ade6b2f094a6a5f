#include <gtest/gtest.h>

#include "lib/Formatting.h"

using namespace Kestlib;

TEST(SizeToString, BytesKilobytesMegabytesGigabytes) {
    EXPECT_EQ(SizeToString(0), L"0 bytes");
    EXPECT_EQ(SizeToString(1), L"1 byte");
    EXPECT_EQ(SizeToString(2), L"2 bytes");
    EXPECT_EQ(SizeToString(1023), L"1023 bytes");
    EXPECT_EQ(SizeToString(1024), L"1KB");
    EXPECT_EQ(SizeToString(1025), L"1.0KB");
    EXPECT_EQ(SizeToString(1536), L"1.5KB");
    EXPECT_EQ(SizeToString(1048575), L"1024.0KB");
    EXPECT_EQ(SizeToString(1048576), L"1MB");
    EXPECT_EQ(SizeToString(1572864), L"1.5MB");
    EXPECT_EQ(SizeToString(1073741823), L"1024.0MB");
    EXPECT_EQ(SizeToString(1073741824), L"1GB");
    EXPECT_EQ(SizeToString(3221225472UL), L"3GB");
    EXPECT_EQ(SizeToString(4294967295UL), L"4.0GB");
    // 64-bit counts keep counting in GB.
    EXPECT_EQ(SizeToString(4294967296ULL), L"4GB");
    EXPECT_EQ(SizeToString(5ULL << 30), L"5GB");
    EXPECT_EQ(SizeToString((5ULL << 30) + (1ULL << 29)), L"5.5GB");
    EXPECT_EQ(SizeToString(2048ULL << 30), L"2048GB");
}

TEST(FormatText, WideConventions) {
    EXPECT_EQ(FormatText(L"%s=%d%%", L"level", 42), L"level=42%");
    EXPECT_EQ(FormatText(L"plain"), L"plain");
    EXPECT_EQ(FormatText(L""), L"");
}

TEST(FormatText, GrowsPastTheFirstRoom) {
    // Exactly the first room, then just over it, then far beyond.
    EXPECT_EQ(FormatText(L"%s", std::wstring(23, L'a').c_str()), std::wstring(23, L'a'));
    EXPECT_EQ(FormatText(L"%s", std::wstring(24, L'b').c_str()), std::wstring(24, L'b'));
    EXPECT_EQ(FormatText(L"%s", std::wstring(25, L'c').c_str()), std::wstring(25, L'c'));
    std::wstring longText(100000, L'x');
    EXPECT_EQ(FormatText(L"<%s>%d", longText.c_str(), 7), L"<" + longText + L">7");
}
