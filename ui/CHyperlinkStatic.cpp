#include "ui/CHyperlinkStatic.h"

#include <windowsx.h>

#include "base/TimedMessageBox.h"
#include "lib/Process.h"
#include "ui/DialogBase.h"
#include "ui/resource.h"

CHyperlinkStatic::~CHyperlinkStatic() {
    Detach();
    if (m_font) ::DeleteObject(m_font);
}

void CHyperlinkStatic::OnAttached() {
    HWND window = GetHwnd();
    ::SetWindowLongPtrW(window, GWL_STYLE, ::GetWindowLongPtrW(window, GWL_STYLE) | SS_NOTIFY);
    m_caption = WindowText(window);
    m_measured = false;
    m_hand = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HYPERLINK_HAND));
    if (!m_hand) m_hand = ::LoadCursorW(nullptr, IDC_HAND);
    m_arrow = ::LoadCursorW(nullptr, IDC_ARROW);
}

void CHyperlinkStatic::SetCaption(const std::wstring& caption) {
    m_caption = caption;
    m_measured = false;
    if (GetHwnd()) {
        ::SetWindowTextW(GetHwnd(), caption.c_str());
        ::InvalidateRect(GetHwnd(), nullptr, TRUE);
    }
}

void CHyperlinkStatic::Open() const {
    try {
        Kestlib::ShellOpen(m_link);
    } catch (...) {
        ShowTimedMessageBox(L"Failed to execute link", MB_OK, 0);
    }
}

HFONT CHyperlinkStatic::Font() {
    if (m_font) return m_font;
    HFONT parentFont = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(GetHwnd()), WM_GETFONT, 0, 0));
    LOGFONTW description = {};
    if (!parentFont || !::GetObjectW(parentFont, sizeof(description), &description))
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
    description.lfUnderline = TRUE;
    m_font = ::CreateFontIndirectW(&description);
    return m_font;
}

void CHyperlinkStatic::ResetFont() {
    if (m_font) ::DeleteObject(m_font);
    m_font = nullptr;
    m_measured = false;
    if (GetHwnd()) ::InvalidateRect(GetHwnd(), nullptr, TRUE);
}

SIZE CHyperlinkStatic::GetTextExtent() {
    if (!m_measured && GetHwnd()) {
        HDC dc = ::GetDC(GetHwnd());
        HGDIOBJ old = ::SelectObject(dc, Font());
        m_extent = {0, 0};
        ::GetTextExtentPoint32W(dc, m_caption.c_str(), static_cast<int>(m_caption.size()), &m_extent);
        ::SelectObject(dc, old);
        ::ReleaseDC(GetHwnd(), dc);
        m_measured = true;
    }
    return m_extent;
}

bool CHyperlinkStatic::OverText(LPARAM point) {
    const SIZE extent = GetTextExtent();
    const int x = GET_X_LPARAM(point), y = GET_Y_LPARAM(point);
    return x >= 0 && y >= 0 && x < extent.cx && y < extent.cy;
}

void CHyperlinkStatic::Paint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(GetHwnd(), &paint);
    // The dialog's background shows through, as for any static.
    ::SendMessageW(::GetParent(GetHwnd()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(GetHwnd()));
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 255));
    HGDIOBJ old = ::SelectObject(dc, Font());
    ::TextOutW(dc, 0, 0, m_caption.c_str(), static_cast<int>(m_caption.size()));
    ::SelectObject(dc, old);
    ::EndPaint(GetHwnd(), &paint);
}

LRESULT CHyperlinkStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETCURSOR:
            return TRUE;
        case WM_MOUSEMOVE:
            if (!m_tracking) {
                TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, GetHwnd(), 0};
                m_tracking = ::TrackMouseEvent(&track) != FALSE;
            } else {
                ::SetCursor(OverText(lParam) ? m_hand : m_arrow);
            }
            return 0;
        case WM_MOUSELEAVE:
            m_tracking = false;
            ::SetCursor(m_arrow);
            return 0;
        case WM_LBUTTONUP:
            if (OverText(lParam)) Open();
            return 0;
        case WM_SETFONT:
            ResetFont();
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}
