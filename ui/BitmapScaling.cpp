#include "ui/BitmapScaling.h"

#include <algorithm>
#include <cmath>

#include "lib/SystemError.h"

namespace {

// The source pixels and weights that make one target pixel along one axis.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> AxisTaps(int from, int to) {
    const double scale = static_cast<double>(to) / from;
    const double radius = std::max(1.0, 1.0 / scale);
    std::vector<Taps> axis(static_cast<size_t>(to));
    for (int target = 0; target < to; ++target) {
        const double centre = (target + 0.5) / scale - 0.5;
        const int first = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
        const int last = std::min(from - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
        Taps& taps = axis[static_cast<size_t>(target)];
        taps.first = std::min(first, from - 1);
        double total = 0;
        for (int source = taps.first; source <= std::max(last, taps.first); ++source) {
            const double weight = std::max(0.0, 1.0 - std::fabs(source - centre) / radius);
            taps.weights.push_back(static_cast<float>(weight));
            total += weight;
        }
        // Edges and exact hits: the weights always add up to one.
        if (total <= 0) {
            taps.weights.assign(1, 1.0f);
        } else {
            for (float& weight : taps.weights) weight = static_cast<float>(weight / total);
        }
    }
    return axis;
}

uint32_t Pack(const float channels[4]) {
    uint32_t value = 0;
    for (int c = 0; c < 4; ++c) {
        const long rounded = std::lround(std::min(255.0f, std::max(0.0f, channels[c])));
        value |= static_cast<uint32_t>(rounded) << (8 * c);
    }
    return value;
}

// One pass along rows (step 1) or columns (step = row length).
std::vector<uint32_t> Pass(const std::vector<uint32_t>& pixels, int lines, int lineStep, int step,
                           const std::vector<Taps>& axis, int outLineStep, int outStep) {
    std::vector<uint32_t> result(static_cast<size_t>(lines) * axis.size());
    for (int line = 0; line < lines; ++line) {
        for (size_t target = 0; target < axis.size(); ++target) {
            const Taps& taps = axis[target];
            float channels[4] = {0, 0, 0, 0};
            for (size_t k = 0; k < taps.weights.size(); ++k) {
                const uint32_t pixel =
                    pixels[static_cast<size_t>(line) * lineStep + (taps.first + static_cast<int>(k)) * step];
                for (int c = 0; c < 4; ++c) channels[c] += taps.weights[k] * ((pixel >> (8 * c)) & 0xFF);
            }
            result[static_cast<size_t>(line) * outLineStep + target * outStep] = Pack(channels);
        }
    }
    return result;
}

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    return info;
}

}  // namespace

ScreenContext::ScreenContext() : m_dc(::GetDC(nullptr)) {}

ScreenContext::~ScreenContext() {
    if (m_dc) ::ReleaseDC(nullptr, m_dc);
}

std::vector<uint32_t> BitmapScaling::Resample(const std::vector<uint32_t>& pixels, int width, int height,
                                              int newWidth, int newHeight) {
    if (width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0 ||
        pixels.size() != static_cast<size_t>(width) * height)
        Kestlib::ThrowError(L"Invalid picture size");
    const std::vector<uint32_t> wide =
        Pass(pixels, height, width, 1, AxisTaps(width, newWidth), newWidth, 1);
    return Pass(wide, newWidth, 1, newWidth, AxisTaps(height, newHeight), 1, newWidth);
}

SIZE BitmapScaling::Size(HBITMAP bitmap) {
    BITMAP description = {};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(description), &description)) return SIZE{0, 0};
    return SIZE{description.bmWidth, std::abs(description.bmHeight)};
}

Kestlib::BitmapHandle BitmapScaling::Scale(HBITMAP source, int newWidth, int newHeight) {
    const SIZE size = Size(source);
    if (size.cx <= 0 || size.cy <= 0 || newWidth <= 0 || newHeight <= 0) Kestlib::ThrowError(L"Invalid picture size");
    std::vector<uint32_t> pixels(static_cast<size_t>(size.cx) * size.cy);
    BITMAPINFO sourceInfo = TopDown32(size.cx, size.cy);
    ScreenContext screen;
    if (::GetDIBits(screen.Get(), source, 0, static_cast<UINT>(size.cy), pixels.data(), &sourceInfo,
                    DIB_RGB_COLORS) != size.cy)
        Kestlib::ThrowSystemError(ERROR_INVALID_DATA, L"Scaling a picture");
    const std::vector<uint32_t> scaled = Resample(pixels, size.cx, size.cy, newWidth, newHeight);
    BITMAPINFO targetInfo = TopDown32(newWidth, newHeight);
    targetInfo.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    Kestlib::BitmapHandle target(::CreateDIBSection(screen.Get(), &targetInfo, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!target.Get()) Kestlib::ThrowLastError(L"CreateDIBSection");
    const BITMAPINFO scaledInfo = TopDown32(newWidth, newHeight);
    if (::SetDIBits(screen.Get(), target.Get(), 0, static_cast<UINT>(newHeight), scaled.data(), &scaledInfo,
                    DIB_RGB_COLORS) != newHeight)
        Kestlib::ThrowSystemError(ERROR_INVALID_DATA, L"Scaling a picture");
    return target;
}
