#pragma once

#include <windows.h>

#include <atomic>
#include <exception>
#include <string>

// A modal dialog from one of the executable's templates. One window procedure
// dispatches to the virtual handlers; an exception thrown by a handler ends
// the dialog and leaves DoModal on the opener's thread, since it cannot pass
// through the platform's modal loop.
class DialogBase {
public:
    explicit DialogBase(UINT templateId);
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    // Runs the platform's modal loop; returns the result given to EndDialog.
    INT_PTR DoModal(HWND owner = nullptr);
    // The window while it exists, else none; safe to read from any thread.
    HWND GetHwnd() const { return m_hwnd.load(); }
    // The scale the window is shown at (96 dpi is 100 %).
    UINT GetDpi() const { return m_dpi; }
    void EndDialog(INT_PTR result);

protected:
    // Return false when the handler set the focus itself.
    virtual bool OnInitDialog() { return true; }
    // Return true when the command was handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // After the window moved to a monitor of another scale, once the platform
    // has scaled the dialog font and the template's controls: what the
    // program sized itself (icons here) follows. GetDpi gives the new scale.
    virtual void OnScaleChanged();
    // Any other message; set handled and return the message's result.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    HWND Item(int id) const;
    void SetItemText(int id, const std::wstring& text) const;
    std::wstring GetItemText(int id) const;
    void EnableItem(int id, bool enable) const;
    void ShowItem(int id, bool show) const;
    void SetTitle(const std::wstring& title) const;
    // Centred over the owner, or over the work area without one.
    void CenterWindow() const;
    // The program's main icon, as the large and the small window icon, in
    // the sizes of the window's scale; it follows a change of scale.
    void SetProgramIcon();

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    // Posted on a change of scale, to run after the platform's own handling.
    static const UINT ScaleChangedMessage = WM_APP + 0x40;

    UINT m_templateId;
    UINT m_dpi = 96;
    bool m_programIcon = false;
    std::atomic<HWND> m_hwnd{nullptr};
    std::exception_ptr m_error;
};

// The text of a window of any length.
std::wstring WindowText(HWND window);
