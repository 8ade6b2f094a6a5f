#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "lib/Handles.h"

// The screen's device context, for converting pictures between formats.
class ScreenContext {
public:
    ScreenContext();
    ~ScreenContext();
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
};

// Resizing pictures for the screen's scale with a filter that neither blurs
// an enlargement into mush nor drops rows and columns when shrinking.
class BitmapScaling {
public:
    // Pixels as 32-bit values (four 8-bit channels), rows top to bottom. Each
    // channel is filtered on its own with a tent filter as wide as a source
    // pixel or, when shrinking, as a target pixel.
    static std::vector<uint32_t> Resample(const std::vector<uint32_t>& pixels, int width, int height,
                                          int newWidth, int newHeight);
    // A new opaque 24-bit DIB section of the given size; the source stays as it is.
    static Kestlib::BitmapHandle Scale(HBITMAP source, int newWidth, int newHeight);
    static SIZE Size(HBITMAP bitmap);
};
