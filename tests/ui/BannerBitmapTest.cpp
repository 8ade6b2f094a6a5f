#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lib/FileOps.h"
#include "tests/support/Expect.h"
#include "tests/support/TestEnvironment.h"
#include "ui/BannerBitmap.h"
#include "ui/BitmapScaling.h"
#include "ui/WindowPosition.h"

namespace {

// A bitmap file: header, colour table and rows as given.
struct BitmapFile {
    int width = 2;
    int height = 2;
    int bits = 24;
    unsigned compression = BI_RGB;
    unsigned headerSize = 40;
    std::vector<uint32_t> colours;
    std::string rows;
    int offsetChange = 0;

    Kestlib::ByteVector Bytes() const {
        Kestlib::ByteVector bytes;
        auto put = [&](uint32_t value, int size) {
            for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        };
        const uint32_t offset = 14 + headerSize + 4 * static_cast<uint32_t>(colours.size());
        bytes.push_back('B');
        bytes.push_back('M');
        put(offset + static_cast<uint32_t>(rows.size()), 4);
        put(0, 4);
        put(offset + offsetChange, 4);
        put(headerSize, 4);
        put(static_cast<uint32_t>(width), 4);
        put(static_cast<uint32_t>(height), 4);
        put(1, 2);
        put(static_cast<uint32_t>(bits), 2);
        put(compression, 4);
        put(static_cast<uint32_t>(rows.size()), 4);
        put(0, 4);
        put(0, 4);
        put(static_cast<uint32_t>(colours.size()), 4);
        put(0, 4);
        for (unsigned i = 40; i < headerSize; i += 4) put(0, 4);
        for (uint32_t colour : colours) put(colour, 4);
        bytes.insert(bytes.end(), rows.begin(), rows.end());
        return bytes;
    }
};

// The pixels of a bitmap, top row first, as 0xRRGGBB.
std::vector<uint32_t> Pixels(HBITMAP bitmap) {
    const SIZE size = BitmapScaling::Size(bitmap);
    std::vector<uint32_t> pixels(static_cast<size_t>(size.cx) * size.cy);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ScreenContext screen;
    ::GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(size.cy), pixels.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

const std::string kRed24 = std::string("\x00\x00\xFF", 3);
const std::string kBlue24 = std::string("\xFF\x00\x00", 3);

TEST(DecodeBitmapFile, ReadsTheFormatsABannerComesIn) {
    struct Case {
        const char* name;
        BitmapFile file;
        std::vector<uint32_t> expected;
    } cases[] = {
        // Rows bottom up, each padded to four bytes.
        {"24-bit", {2, 2, 24, BI_RGB, 40, {}, kRed24 + kRed24 + std::string(2, '\0') + kBlue24 + kBlue24 + std::string(2, '\0')},
         {0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000}},
        {"top-down", {2, -2, 24, BI_RGB, 40, {}, kRed24 + kRed24 + std::string(2, '\0') + kBlue24 + kBlue24 + std::string(2, '\0')},
         {0xFF0000, 0xFF0000, 0x0000FF, 0x0000FF}},
        {"colour table", {2, 1, 8, BI_RGB, 40, {0x00FF00, 0x123456}, std::string("\x01\x00\x00\x00", 4)},
         {0x123456, 0x00FF00}},
        // A larger header, as image editors write it.
        {"version 5 header", {1, 1, 32, BI_RGB, 124, {}, std::string("\x56\x34\x12\x00", 4)}, {0x123456}},
        {"run-length", {2, 1, 8, BI_RLE8, 40, {0x00FF00, 0x123456}, std::string("\x02\x01\x00\x01", 4)},
         {0x123456, 0x123456}},
    };
    for (const Case& c : cases) {
        try {
            Kestlib::BitmapHandle bitmap = DecodeBitmapFile(c.file.Bytes(), L"RES_BANNER");
            EXPECT_EQ(Pixels(bitmap.Get()), c.expected) << c.name;
        } catch (const std::exception& error) {
            ADD_FAILURE() << c.name << ": " << error.what();
        }
    }
}

TEST(DecodeBitmapFile, BytesThatAreNoWholeBitmapAreRefused) {
    const BitmapFile good = {2, 2, 24, BI_RGB, 40, {}, std::string(16, '\x7F')};
    std::vector<std::pair<const char*, Kestlib::ByteVector>> cases;
    auto with = [&](const char* name, auto change) {
        BitmapFile file = good;
        change(file);
        cases.emplace_back(name, file.Bytes());
    };
    with("rows cut short", [](BitmapFile& f) { f.rows.resize(15); });
    with("rows beyond the end", [](BitmapFile& f) { f.offsetChange = 4; });
    with("rows inside the header", [](BitmapFile& f) { f.offsetChange = -4; });
    with("no width", [](BitmapFile& f) { f.width = 0; });
    with("too wide", [](BitmapFile& f) { f.width = 1 << 20; });
    with("lowest height", [](BitmapFile& f) { f.height = INT32_MIN; });
    with("odd depth", [](BitmapFile& f) { f.bits = 7; });
    with("old header", [](BitmapFile& f) { f.headerSize = 12; });
    with("colour table missing", [](BitmapFile& f) { f.bits = 8; f.rows.resize(8); });
    with("unknown compression", [](BitmapFile& f) { f.compression = 9; });
    with("top-down run-length", [](BitmapFile& f) { f.bits = 8; f.compression = BI_RLE8; f.height = -2; f.colours = {0, 0}; });
    Kestlib::ByteVector noMark = good.Bytes();
    noMark[0] = 'X';
    cases.emplace_back("no mark", noMark);
    Kestlib::ByteVector longHeader = good.Bytes();
    longHeader[16] = 1;
    cases.emplace_back("header beyond the end", longHeader);
    cases.emplace_back("empty", Kestlib::ByteVector());
    cases.emplace_back("text", Kestlib::ByteVector{'B', 'M', 'x'});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_THROW_PREFIX(DecodeBitmapFile(c.second, L"RES_BANNER"), "0x8007000d - Error loading \"RES_BANNER\": ");
    }
}

TEST(LoadBanner, TheBuiltInBannerNeedsNoTemporaryFolder) {
    TestSupport::TempFolder folder;
    TestSupport::ScopedVariable tmp(L"TMP", folder / L"missing");
    TestSupport::ScopedVariable temp(L"TEMP", folder / L"missing");
    Kestlib::BitmapHandle banner = LoadBanner(L"");
    ASSERT_TRUE(banner.Get());
    EXPECT_GT(BitmapScaling::Size(banner.Get()).cx, 2);
}

TEST(BitmapScaling, KeepsAreasAndEdgesWhateverTheSize) {
    // A flat colour stays flat at any size; a rounding filter would shift it.
    const std::vector<uint32_t> flat(12, 0x80336699u);
    for (const SIZE& size : {SIZE{4, 3}, SIZE{7, 5}, SIZE{2, 1}, SIZE{1, 1}, SIZE{13, 2}}) {
        EXPECT_EQ(BitmapScaling::Resample(flat, 4, 3, size.cx, size.cy),
                  std::vector<uint32_t>(static_cast<size_t>(size.cx) * size.cy, 0x80336699u))
            << size.cx << "x" << size.cy;
    }
    // Halving a fine chequer gives about its average (the edges weigh a little
    // differently); dropping rows and columns would give black or white.
    std::vector<uint32_t> chequer(16);
    for (size_t i = 0; i < chequer.size(); ++i) chequer[i] = ((i / 4 + i % 4) % 2) ? 0xFFFFFFFFu : 0u;
    for (uint32_t pixel : BitmapScaling::Resample(chequer, 4, 4, 2, 2)) {
        for (int shift = 0; shift < 32; shift += 8) EXPECT_NEAR(static_cast<int>((pixel >> shift) & 0xFF), 128, 8);
    }
    // Enlarged by one and a half, a black-white edge goes through grey, in order.
    const std::vector<uint32_t> edge = {0, 0, 0xFFFFFF, 0xFFFFFF};
    const std::vector<uint32_t> wide = BitmapScaling::Resample(edge, 4, 1, 6, 1);
    EXPECT_EQ(wide.front(), 0u);
    EXPECT_EQ(wide.back(), 0xFFFFFFu);
    for (size_t i = 1; i < wide.size(); ++i) EXPECT_GE(wide[i] & 0xFF, wide[i - 1] & 0xFF) << i;
    EXPECT_THROW_MESSAGE(BitmapScaling::Resample(edge, 3, 1, 6, 1), "Invalid picture size");
}

TEST(BannerSize, GrowsWithTheScaleWithinItsPlace) {
    struct Case {
        SIZE drawn;
        UINT dpi;
        SIZE place;
        SIZE expected;
    } cases[] = {
        // 100 %: as drawn, even where the place is a pixel short.
        {{113, 212}, 96, {112, 211}, {113, 212}},
        {{113, 212}, 144, {200, 400}, {170, 318}},
        {{113, 212}, 192, {300, 500}, {226, 424}},
        // Held to its place, proportions kept.
        {{113, 212}, 144, {165, 309}, {165, 309}},
        // A banner larger than its place is shown as at 100 %, cut as before.
        {{400, 300}, 144, {112, 211}, {400, 300}},
        {{0, 0}, 144, {112, 211}, {0, 0}},
    };
    for (const Case& c : cases) {
        const SIZE size = BannerSize(c.drawn, c.dpi, c.place);
        EXPECT_EQ(size.cx, c.expected.cx) << c.drawn.cx << " at " << c.dpi;
        EXPECT_EQ(size.cy, c.expected.cy) << c.drawn.cx << " at " << c.dpi;
    }
    // Scaled for a larger scale only: the banner itself stands at 100 %.
    Kestlib::BitmapHandle banner = LoadBanner(L"");
    EXPECT_FALSE(ScaleBanner(banner.Get(), 96, SIZE{112, 211}).Get());
    Kestlib::BitmapHandle large = ScaleBanner(banner.Get(), 144, SIZE{1000, 1000});
    const SIZE drawn = BitmapScaling::Size(banner.Get());
    EXPECT_EQ(BitmapScaling::Size(large.Get()).cx, (drawn.cx * 3 + 1) / 2);
}

TEST(ScalePosition, DocumentPixelsAreAt100Percent) {
    const Position position = {100, 0, 30, -4};
    const Position same = ScalePosition(position, 96);
    EXPECT_EQ(same.x, 100);
    EXPECT_EQ(same.width, 30);
    const Position large = ScalePosition(position, 144);
    EXPECT_EQ(large.x, 150);
    EXPECT_EQ(large.y, 0);
    EXPECT_EQ(large.width, 45);
    EXPECT_EQ(large.height, -6);
}

}  // namespace
