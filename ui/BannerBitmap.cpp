#include "ui/BannerBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "lib/SystemError.h"
#include "payload/CabinetResources.h"
#include "ui/BitmapScaling.h"
#include "ui/DisplayScale.h"

namespace {

const size_t kFileHeaderSize = 14;
const LONG kLargestSide = 16384;

uint32_t ReadNumber(const Kestlib::ByteVector& bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The header and colour table as the platform reads them, on an aligned copy;
// empty when the bytes do not describe a bitmap the platform can draw whole.
std::vector<uint32_t> CheckedInfo(const Kestlib::ByteVector& bytes) {
    const size_t size = bytes.size();
    if (size < kFileHeaderSize + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M') return {};
    const size_t bitsAt = ReadNumber(bytes, 10, 4);
    const size_t headerSize = ReadNumber(bytes, kFileHeaderSize, 4);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size - kFileHeaderSize) return {};
    BITMAPINFOHEADER header = {};
    std::memcpy(&header, bytes.data() + kFileHeaderSize, sizeof(header));
    if (header.biWidth <= 0 || header.biWidth > kLargestSide || header.biHeight == 0 ||
        header.biHeight < -kLargestSide || header.biHeight > kLargestSide || header.biPlanes != 1)
        return {};
    const LONG height = std::abs(header.biHeight);
    const WORD bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return {};
    size_t pixelBytes = static_cast<size_t>((header.biWidth * bits + 31) / 32) * 4 * static_cast<size_t>(height);
    switch (header.biCompression) {
        case BI_RGB:
        case BI_BITFIELDS:
            if (header.biCompression == BI_BITFIELDS && bits != 16 && bits != 32) return {};
            break;
        case BI_RLE8:
        case BI_RLE4:
            // Run-length coded rows are read no further than the stated size.
            if (bits != (header.biCompression == BI_RLE8 ? 8 : 4) || header.biHeight < 0 || !header.biSizeImage)
                return {};
            pixelBytes = header.biSizeImage;
            break;
        default:
            return {};
    }
    // The three colour masks follow a plain header, and sit at the same place
    // inside the larger ones; the colour table follows the header as stored.
    const size_t masks = header.biCompression == BI_BITFIELDS ? 3 : 0;
    const size_t colours =
        bits <= 8 ? (header.biClrUsed ? std::min<size_t>(header.biClrUsed, size_t{1} << bits) : size_t{1} << bits) : 0;
    const size_t coloursAt = kFileHeaderSize + std::max(headerSize, sizeof(BITMAPINFOHEADER) + 4 * masks);
    const size_t infoEnd = coloursAt + 4 * colours;
    if (infoEnd > size || bitsAt < infoEnd || bitsAt > size || pixelBytes > size - bitsAt) return {};
    // Passed on as a plain header, so that nothing beyond it (colour profiles) is read.
    std::vector<uint32_t> info(sizeof(BITMAPINFOHEADER) / 4 + masks + colours, 0);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biClrUsed = static_cast<DWORD>(colours);
    std::memcpy(info.data(), &header, sizeof(header));
    std::memcpy(info.data() + sizeof(header) / 4, bytes.data() + kFileHeaderSize + sizeof(header), 4 * masks);
    std::memcpy(info.data() + sizeof(header) / 4 + masks, bytes.data() + coloursAt, 4 * colours);
    return info;
}

}  // namespace

Kestlib::BitmapHandle DecodeBitmapFile(const Kestlib::ByteVector& bytes, const std::wstring& name) {
    const std::wstring context = L"Error loading \"" + name + L"\"";
    const std::vector<uint32_t> info = CheckedInfo(bytes);
    if (info.empty()) Kestlib::ThrowSystemError(ERROR_INVALID_DATA, context);
    const auto* source = reinterpret_cast<const BITMAPINFO*>(info.data());
    const LONG width = source->bmiHeader.biWidth;
    const LONG height = std::abs(source->bmiHeader.biHeight);
    BITMAPINFO target = {};
    target.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    ScreenContext screen;
    void* pixels = nullptr;
    Kestlib::BitmapHandle bitmap(::CreateDIBSection(screen.Get(), &target, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap.Get()) Kestlib::ThrowLastError(context);
    const size_t bitsAt = ReadNumber(bytes, 10, 4);
    if (::SetDIBits(screen.Get(), bitmap.Get(), 0, static_cast<UINT>(height), bytes.data() + bitsAt, source,
                    DIB_RGB_COLORS) != height)
        Kestlib::ThrowSystemError(ERROR_INVALID_DATA, context);
    return bitmap;
}

Kestlib::BitmapHandle LoadBanner(const std::wstring& dialogBitmap) {
    if (!dialogBitmap.empty() && Kestlib::FileExists(dialogBitmap))
        return Kestlib::BitmapHandle(Kestlib::LoadBitmapFile(dialogBitmap));
    HMODULE program = ::GetModuleHandleW(nullptr);
    if (!::FindResourceW(program, BannerResourceName, BannerResourceType)) return Kestlib::BitmapHandle();
    return DecodeBitmapFile(Kestlib::LoadResourceData(program, BannerResourceName, BannerResourceType),
                            BannerResourceName);
}

SIZE BannerSize(SIZE drawn, UINT dpi, SIZE place) {
    if (dpi <= DisplayScale::DefaultDpi || drawn.cx <= 0 || drawn.cy <= 0) return drawn;
    double factor = static_cast<double>(dpi) / DisplayScale::DefaultDpi;
    if (place.cx > 0 && place.cy > 0)
        factor = std::min({factor, static_cast<double>(place.cx) / drawn.cx, static_cast<double>(place.cy) / drawn.cy});
    factor = std::max(1.0, factor);
    return SIZE{static_cast<LONG>(std::lround(drawn.cx * factor)), static_cast<LONG>(std::lround(drawn.cy * factor))};
}

Kestlib::BitmapHandle ScaleBanner(HBITMAP banner, UINT dpi, SIZE place) {
    const SIZE drawn = BitmapScaling::Size(banner);
    const SIZE shown = BannerSize(drawn, dpi, place);
    if (shown.cx == drawn.cx && shown.cy == drawn.cy) return Kestlib::BitmapHandle();
    return BitmapScaling::Scale(banner, shown.cx, shown.cy);
}
