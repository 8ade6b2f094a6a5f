#include "ui/SubclassedControl.h"

#include <commctrl.h>

#include "lib/SystemError.h"

namespace {
const UINT_PTR kSubclassId = 0x4257;  // any fixed value; one subclass per control
}

SubclassedControl::~SubclassedControl() { Detach(); }

void SubclassedControl::Attach(HWND control) {
    Detach();
    if (!control) Kestlib::ThrowError(L"Missing control");
    if (!::SetWindowSubclass(control, &SubclassedControl::Procedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        Kestlib::ThrowLastError(L"SetWindowSubclass");
    m_hwnd = control;
    OnAttached();
}

void SubclassedControl::Detach() {
    if (!m_hwnd) return;
    ::RemoveWindowSubclass(m_hwnd, &SubclassedControl::Procedure, kSubclassId);
    m_hwnd = nullptr;
}

LRESULT SubclassedControl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT SubclassedControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedControl::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR /*id*/, DWORD_PTR self) {
    SubclassedControl* control = reinterpret_cast<SubclassedControl*>(self);
    if (message == WM_NCDESTROY) {
        LRESULT result = control->WindowProc(message, wParam, lParam);
        control->Detach();
        return result;
    }
    (void)window;
    return control->WindowProc(message, wParam, lParam);
}
