#include <gtest/gtest.h>

#include <string>

#include "lib/Sha256.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"

namespace {

TEST(Sha256, KnownDigestsOfBytesAndFiles) {
    EXPECT_EQ(Kestlib::Sha256OfBytes("", 0), L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Kestlib::Sha256OfBytes("abc", 3), L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // More than one read of the file.
    const std::string million(1000000, 'a');
    TestSupport::TempFolder folder;
    TestSupport::WriteTextFile(folder / L"a.bin", million);
    EXPECT_EQ(Kestlib::Sha256OfFile(folder / L"a.bin"),
              L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(Kestlib::Sha256OfBytes(million.data(), million.size()), Kestlib::Sha256OfFile(folder / L"a.bin"));
    EXPECT_THROW_PREFIX(Kestlib::Sha256OfFile(folder / L"none.bin"), "0x80070002 - Error opening \"");
}

TEST(Sha256, NormalizeAcceptsOnlySixtyFourHexDigits) {
    std::wstring digest = L"left over";
    EXPECT_TRUE(Kestlib::NormalizeSha256(L"", digest));
    EXPECT_TRUE(digest.empty());
    EXPECT_TRUE(Kestlib::NormalizeSha256(std::wstring(32, L'A') + std::wstring(32, L'f'), digest));
    EXPECT_EQ(digest, std::wstring(32, L'a') + std::wstring(32, L'f'));
    for (const std::wstring& bad : {std::wstring(63, L'0'), std::wstring(65, L'0'), std::wstring(63, L'0') + L"g",
                                    L" " + std::wstring(63, L'0'), std::wstring(63, L'0') + L"\xFF10"}) {
        EXPECT_FALSE(Kestlib::NormalizeSha256(bad, digest));
        EXPECT_TRUE(digest.empty());
    }
}

}  // namespace
