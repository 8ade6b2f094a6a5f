#pragma once

#include <windows.h>

// The scale a window is shown at, in dots per inch (96 is 100 %). The program
// declares itself aware of each monitor's scale, so pixel sizes that are not
// derived from the dialog font have to be scaled here. Where the running
// Windows predates per-monitor scaling, the system's scale stands for every
// window.
namespace DisplayScale {

const UINT DefaultDpi = 96;

UINT WindowDpi(HWND window);
// A length given in pixels at 100 %, at dpi.
int Scale(int pixels, UINT dpi);
// GetSystemMetrics for the monitor's scale (icon sizes and the like).
int SystemMetric(int index, UINT dpi);

}  // namespace DisplayScale
