#include "ui/DialogBase.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "lib/SystemError.h"
#include "ui/DisplayScale.h"
#include "ui/resource.h"

namespace {

// The progress bar and the other common controls of the templates must be
// registered before the first dialog is created.
void RegisterCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

const wchar_t* const kSelfProperty = L"Bootwright.Dialog";

}  // namespace

std::wstring WindowText(HWND window) {
    int length = ::GetWindowTextLengthW(window);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextW(window, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0));
}

DialogBase::DialogBase(UINT templateId) : m_templateId(templateId) {}

INT_PTR DialogBase::DoModal(HWND owner) {
    RegisterCommonControls();
    m_error = nullptr;
    INT_PTR result = ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                       &DialogBase::DialogProcedure, reinterpret_cast<LPARAM>(this));
    m_hwnd = nullptr;
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
    if (result == -1) Kestlib::ThrowLastError(L"DialogBoxParamW");
    return result;
}

void DialogBase::EndDialog(INT_PTR result) {
    HWND window = m_hwnd.load();
    if (window) ::EndDialog(window, result);
}

INT_PTR CALLBACK DialogBase::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lParam);
        ::SetPropW(window, kSelfProperty, self);
        self->m_hwnd = window;
        self->m_dpi = DisplayScale::WindowDpi(window);
    } else {
        self = static_cast<DialogBase*>(::GetPropW(window, kSelfProperty));
    }
    if (!self) return FALSE;
    if (message == WM_NCDESTROY) {
        ::RemovePropW(window, kSelfProperty);
        self->m_hwnd = nullptr;
        return FALSE;
    }
    bool handled = false;
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(message, wParam, lParam, handled);
    } catch (...) {
        // The first failure wins; the dialog ends and DoModal raises it.
        if (!self->m_error) self->m_error = std::current_exception();
        ::EndDialog(window, -1);
        return TRUE;
    }
    if (!handled) return FALSE;
    // Results of messages other than these travel through DWLP_MSGRESULT.
    switch (message) {
        case WM_INITDIALOG:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_QUERYDRAGICON:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
            return result;
        default:
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
            return TRUE;
    }
}

INT_PTR DialogBase::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_INITDIALOG:
            handled = true;
            return OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            handled = OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_TIMER:
            handled = true;
            OnTimer(static_cast<UINT_PTR>(wParam));
            return 0;
        case WM_DPICHANGED:
            // Left to the dialog manager, which moves the window to the
            // suggested rectangle and scales its font and controls.
            m_dpi = HIWORD(wParam);
            ::PostMessageW(GetHwnd(), ScaleChangedMessage, 0, 0);
            return OnMessage(message, wParam, lParam, handled);
        case ScaleChangedMessage:
            handled = true;
            OnScaleChanged();
            return 0;
        default:
            return OnMessage(message, wParam, lParam, handled);
    }
}

bool DialogBase::OnCommand(WORD id, WORD /*code*/, HWND /*control*/) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

void DialogBase::OnScaleChanged() {
    if (m_programIcon) SetProgramIcon();
}

INT_PTR DialogBase::OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, bool& handled) {
    handled = false;
    return 0;
}

HWND DialogBase::Item(int id) const { return ::GetDlgItem(GetHwnd(), id); }

void DialogBase::SetItemText(int id, const std::wstring& text) const { ::SetDlgItemTextW(GetHwnd(), id, text.c_str()); }

std::wstring DialogBase::GetItemText(int id) const { return WindowText(Item(id)); }

void DialogBase::EnableItem(int id, bool enable) const { ::EnableWindow(Item(id), enable ? TRUE : FALSE); }

void DialogBase::ShowItem(int id, bool show) const { ::ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE); }

void DialogBase::SetTitle(const std::wstring& title) const { ::SetWindowTextW(GetHwnd(), title.c_str()); }

void DialogBase::CenterWindow() const {
    HWND window = GetHwnd();
    RECT area = {};
    HWND owner = ::GetWindow(window, GW_OWNER);
    if (!owner || !::IsWindowVisible(owner) || ::IsIconic(owner) || !::GetWindowRect(owner, &area))
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT own = {};
    ::GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogBase::SetProgramIcon() {
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    HWND window = GetHwnd();
    m_programIcon = true;
    using DisplayScale::SystemMetric;
    // Shared icons from LoadImage need no release.
    HANDLE big = ::LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, SystemMetric(SM_CXICON, m_dpi),
                              SystemMetric(SM_CYICON, m_dpi), LR_SHARED);
    HANDLE smallIcon = ::LoadImageW(module, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                    SystemMetric(SM_CXSMICON, m_dpi), SystemMetric(SM_CYSMICON, m_dpi), LR_SHARED);
    if (big) ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (smallIcon) ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
}
