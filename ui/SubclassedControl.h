#pragma once

#include <windows.h>

// A control of a dialog template whose messages the program handles first
// (window subclassing); the rest go on to the control's own procedure.
class SubclassedControl {
public:
    SubclassedControl() = default;
    virtual ~SubclassedControl();
    SubclassedControl(const SubclassedControl&) = delete;
    SubclassedControl& operator=(const SubclassedControl&) = delete;

    // Takes over the control until it is destroyed or Detach is called.
    void Attach(HWND control);
    void Detach();
    HWND GetHwnd() const { return m_hwnd; }

protected:
    virtual void OnAttached() {}
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The control's own handling.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    HWND m_hwnd = nullptr;
};
