#pragma once

#include <windows.h>

#include "config/InstallConfiguration.h"

// A document's position applied to a rectangle field by field: a non-zero left
// replaces the left edge, a non-zero width sets the right edge from the left
// edge as it now is, then the same for top and height. A zero field keeps the
// current edge, so a new left with width 0 keeps the old right edge.
RECT ApplyPosition(RECT current, const Position& position);

// A document's position is in pixels at 100 % (96 dpi); at a larger scale
// every field grows with it, as the window's dialog units do.
Position ScalePosition(const Position& position, UINT dpi);

// Whether a position changes anything at all (all four values 0 do not).
bool IsPositionSet(const Position& position);

// Moves a window within its normal placement: workspace coordinates for a
// top-level window, the parent's client coordinates for a control. A hidden
// window stays hidden.
void PositionWindow(HWND window, const Position& position);
