#pragma once

#include <windows.h>

#include <string>

#include "lib/FileOps.h"
#include "lib/Handles.h"

// The main window's banner: the document's dialog_bitmap when it names an
// existing file, else the program's built-in banner (a bitmap file stored as
// the resource "RES_BANNER" of type "CUSTOM"), else none. A file that exists
// but cannot be loaded fails with "Error loading \"path\"".
Kestlib::BitmapHandle LoadBanner(const std::wstring& dialogBitmap);

// The bytes of a bitmap file as a bitmap, read in memory: no file is written.
// Bytes that are no bitmap fail with "Error loading \"name\"".
Kestlib::BitmapHandle DecodeBitmapFile(const Kestlib::ByteVector& bytes, const std::wstring& name);

// A banner is drawn for 100 % (96 dpi). At a larger scale it grows with the
// dialog, but never beyond its place, and never below its own size.
SIZE BannerSize(SIZE drawn, UINT dpi, SIZE place);

// The banner for a window at dpi: a scaled copy, or none when the banner is
// shown as it is.
Kestlib::BitmapHandle ScaleBanner(HBITMAP banner, UINT dpi, SIZE place);
