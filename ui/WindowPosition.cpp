#include "ui/WindowPosition.h"

#include "lib/SystemError.h"
#include "ui/DisplayScale.h"

RECT ApplyPosition(RECT current, const Position& position) {
    RECT result = current;
    if (position.x != 0) result.left = position.x;
    if (position.width != 0) result.right = result.left + position.width;
    if (position.y != 0) result.top = position.y;
    if (position.height != 0) result.bottom = result.top + position.height;
    return result;
}

Position ScalePosition(const Position& position, UINT dpi) {
    using DisplayScale::Scale;
    Position scaled;
    scaled.x = Scale(position.x, dpi);
    scaled.y = Scale(position.y, dpi);
    scaled.width = Scale(position.width, dpi);
    scaled.height = Scale(position.height, dpi);
    return scaled;
}

bool IsPositionSet(const Position& position) {
    return position.x != 0 || position.y != 0 || position.width != 0 || position.height != 0;
}

void PositionWindow(HWND window, const Position& position) {
    if (!IsPositionSet(position)) return;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    if (!::GetWindowPlacement(window, &placement)) Kestlib::ThrowLastError(L"GetWindowPlacement");
    placement.rcNormalPosition = ApplyPosition(placement.rcNormalPosition, position);
    // The placement also shows the window: keep its visibility as it is. The
    // style bit counts, since a control of a dialog not yet shown is not
    // visible on screen.
    const bool visible = (::GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
    placement.showCmd = visible ? SW_SHOWNA : SW_HIDE;
    placement.flags = 0;
    if (!::SetWindowPlacement(window, &placement)) Kestlib::ThrowLastError(L"SetWindowPlacement");
}
