#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "ui/DialogBase.h"

// Plays the user on a second thread while the test thread runs a modal
// window: finds windows, reads them back, presses their buttons.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void()> script) : m_thread(std::move(script)) {}
    ~DialogDriver() { m_thread.join(); }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // Generous: these only bound a test that has already failed.
    static constexpr int kPatienceMs = 20000;

    static bool WaitFor(const std::function<bool()>& condition) {
        for (int waited = 0; waited < kPatienceMs; waited += 10) {
            if (condition()) return true;
            ::Sleep(10);
        }
        return condition();
    }
    static HWND FindDialog(const std::wstring& title) {
        HWND found = nullptr;
        WaitFor([&] { return (found = ::FindWindowW(L"#32770", title.c_str())) != nullptr; });
        return found;
    }
    static std::wstring Text(HWND dialog, int id) { return WindowText(::GetDlgItem(dialog, id)); }
    static bool WaitForText(HWND dialog, int id, const std::wstring& text) {
        return WaitFor([&] { return Text(dialog, id) == text; });
    }
    static void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    // Posted, so that the driver is not held while the command's work runs.
    static void Press(HWND dialog, int id) {
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    }
    static bool WaitGone(HWND window) {
        return WaitFor([&] { return !::IsWindow(window); });
    }

private:
    std::thread m_thread;
};

// A title no other test process on this desktop uses.
std::wstring UniqueTitle(const std::wstring& base);
