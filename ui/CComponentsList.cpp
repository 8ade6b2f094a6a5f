#include "ui/CComponentsList.h"

#include <windowsx.h>

#include <algorithm>

#include "base/InstallerLog.h"
#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "lib/SystemError.h"
#include "ui/DisplayScale.h"

namespace {

// In pixels at 100 %.
const int kTextIndent = 5;
const int kBoxSize = 13;
const int kEntryMargin = 2;

// Sets text and background colours for one drawing and restores them.
class Colours {
public:
    Colours(HDC dc, COLORREF text, COLORREF background)
        : m_dc(dc), m_text(::SetTextColor(dc, text)), m_background(::SetBkColor(dc, background)) {}
    ~Colours() {
        ::SetTextColor(m_dc, m_text);
        ::SetBkColor(m_dc, m_background);
    }
    Colours(const Colours&) = delete;
    Colours& operator=(const Colours&) = delete;

private:
    HDC m_dc;
    COLORREF m_text;
    COLORREF m_background;
};

int TextWidth(HWND list, const std::wstring& text) {
    HDC dc = ::GetDC(list);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE extent = {0, 0};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
    return extent.cx;
}

}  // namespace

bool CComponentsList::Load(const InstallConfiguration* configuration, unsigned long lcid) {
    HWND list = GetHwnd();
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    m_entries.clear();
    if (!configuration) Kestlib::ThrowError(L"Invalid configuration");
    const Components components = configuration->GetSupportedComponents(lcid);
    bool allInstalled = true;
    for (const ComponentPtr& holder : components) {
        Component* component = holder.get();
        const bool installed = component->IsInstalled();
        LOG(L"-- " << component->description << L": " << (installed ? L"INSTALLED" : L"NOT INSTALLED"));
        component->foundInstalled = installed;
        if (installed) component->selected = false;
        allInstalled = allInstalled && installed;
        std::wstring status = installed ? component->status_installed : component->status_notinstalled;
        if (status.empty()) status = installed ? configuration->status_installed : configuration->status_notinstalled;
        const std::wstring text = component->description + L" " + status;
        const bool shown = (configuration->dialog_show_installed || !installed) &&
                           (configuration->dialog_show_required || !component->required);
        if (!shown) continue;
        LRESULT index = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) Kestlib::ThrowError(L"Error adding '" + component->description + L"' to the list");
        ::SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(component));
        m_entries.push_back({component, component->selected, !(component->required || installed)});
    }
    MeasureWidth();
    ::InvalidateRect(list, nullptr, TRUE);
    return allInstalled;
}

void CComponentsList::MeasureWidth() {
    int widest = 0;
    for (int index = 0; index < GetCount(); ++index) widest = std::max(widest, TextWidth(GetHwnd(), GetText(index)));
    // The text starts beside the box, so the extent counts the box too.
    if (widest > 0)
        ::SendMessageW(GetHwnd(), LB_SETHORIZONTALEXTENT,
                       static_cast<WPARAM>(widest + CheckBoxWidth() + DisplayScale::Scale(kTextIndent, m_dpi)), 0);
}

void CComponentsList::Save() const {
    for (const Entry& entry : m_entries) entry.component->selected = entry.checked;
}

std::wstring CComponentsList::GetText(int index) const {
    LRESULT length = ::SendMessageW(GetHwnd(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    length = ::SendMessageW(GetHwnd(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return text;
}

void CComponentsList::MeasureItem(MEASUREITEMSTRUCT& measure, HWND list, UINT dpi) {
    HDC dc = ::GetDC(list);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(::GetParent(list), WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
    using DisplayScale::Scale;
    measure.itemHeight =
        static_cast<UINT>(std::max<LONG>(metrics.tmHeight, Scale(kBoxSize, dpi)) + Scale(kEntryMargin, dpi));
}

int CComponentsList::CheckBoxWidth() const {
    return static_cast<int>(::SendMessageW(GetHwnd(), LB_GETITEMHEIGHT, 0, 0));
}

void CComponentsList::DrawItem(const DRAWITEMSTRUCT& draw) const {
    HDC dc = draw.hDC;
    const int index = static_cast<int>(draw.itemID);
    const int box = CheckBoxWidth();
    RECT text = draw.rcItem;
    text.left += box;
    const bool repaint = draw.itemID != static_cast<UINT>(-1) && index < GetCount() &&
                         (draw.itemAction & (ODA_DRAWENTIRE | ODA_SELECT));
    if (repaint) {
        const Entry& entry = m_entries[static_cast<size_t>(index)];
        const bool enabled = ::IsWindowEnabled(GetHwnd()) && entry.enabled;
        COLORREF foreground = enabled ? ::GetSysColor(COLOR_WINDOWTEXT) : RGB(0, 0, 0);
        COLORREF background = ::GetSysColor(COLOR_WINDOW);
        if (enabled && (draw.itemState & ODS_SELECTED)) {
            foreground = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
            background = ::GetSysColor(COLOR_HIGHLIGHT);
        }
        Colours colours(dc, foreground, background);
        const std::wstring label = GetText(index);
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc, &metrics);
        const int height = draw.rcItem.bottom - draw.rcItem.top;
        const int top = draw.rcItem.top + std::max<int>(0, (height - metrics.tmHeight) / 2);
        ::ExtTextOutW(dc, text.left + DisplayScale::Scale(kTextIndent, m_dpi), top, ETO_OPAQUE, &text, label.c_str(),
                      static_cast<UINT>(label.size()), nullptr);
        RECT boxArea = {draw.rcItem.left, draw.rcItem.top, draw.rcItem.left + box, draw.rcItem.bottom};
        HBRUSH window = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
        ::FillRect(dc, &boxArea, window);
        ::DeleteObject(window);
        // An entry the user cannot change shows no box at all when unchecked.
        if (enabled || entry.checked) {
            const int size = std::min(DisplayScale::Scale(kBoxSize, m_dpi), box - DisplayScale::Scale(kEntryMargin, m_dpi));
            RECT square = {boxArea.left + (box - size) / 2, boxArea.top + (height - size) / 2, 0, 0};
            square.right = square.left + size;
            square.bottom = square.top + size;
            ::DrawFrameControl(dc, &square, DFC_BUTTON,
                               DFCS_BUTTONCHECK | DFCS_FLAT | (entry.checked ? DFCS_CHECKED : 0) |
                                   (enabled ? 0 : DFCS_INACTIVE));
        }
    }
    // The rectangle is drawn by inverting, so drawing it again erases it. A
    // redraw for the focus alone toggles it, whether the focus came or went;
    // a repainted entry has lost it and gets it back only with the focus.
    const bool toggle = repaint ? (draw.itemState & ODS_FOCUS) != 0 : (draw.itemAction & ODA_FOCUS) != 0;
    if (toggle) ::DrawFocusRect(dc, &text);
}

void CComponentsList::Toggle(int index) {
    if (index < 0 || index >= GetCount()) return;
    Entry& entry = m_entries[static_cast<size_t>(index)];
    if (!entry.enabled) return;
    entry.checked = !entry.checked;
    // Whole list: the owner-drawn entries around it may depend on the change.
    ::InvalidateRect(GetHwnd(), nullptr, TRUE);
    ::SendMessageW(::GetParent(GetHwnd()), WM_COMMAND,
                   MAKEWPARAM(::GetDlgCtrlID(GetHwnd()), CheckChanged), reinterpret_cast<LPARAM>(GetHwnd()));
}

LRESULT CComponentsList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            const LRESULT hit = ::SendMessageW(GetHwnd(), LB_ITEMFROMPOINT, 0, lParam);
            const int index = LOWORD(hit);
            if (HIWORD(hit) == 0 && GET_X_LPARAM(lParam) < CheckBoxWidth()) Toggle(index);
            return Default(message, wParam, lParam);
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE) {
                Toggle(static_cast<int>(::SendMessageW(GetHwnd(), LB_GETCURSEL, 0, 0)));
                return 0;
            }
            return Default(message, wParam, lParam);
        default:
            return Default(message, wParam, lParam);
    }
}
