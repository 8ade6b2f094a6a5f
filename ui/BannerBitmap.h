#pragma once

#include <string>

#include "lib/Handles.h"

// The main window's banner: the document's dialog_bitmap when it names an
// existing file, else the program's built-in banner (a bitmap file stored as
// the resource "RES_BANNER" of type "CUSTOM"), else none. A file that exists
// but cannot be loaded fails with "Error loading \"path\"".
Kestlib::BitmapHandle LoadBanner(const std::wstring& dialogBitmap);
