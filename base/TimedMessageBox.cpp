#include "base/TimedMessageBox.h"

#include <algorithm>
#include <exception>

#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace {

// One basic-level box: a thread-local CBT hook catches the box when it is
// activated, and a watcher thread ends it when the time-out passes. The hook
// procedure has no context of its own, so the box being shown is process-wide.
class TimedBox {
public:
    TimedBox(DWORD timeoutMs, DWORD pollIntervalMs)
        : m_timeout(timeoutMs), m_pollInterval(pollIntervalMs), m_previous(s_current) {
        s_current = this;
    }
    ~TimedBox() {
        JoinWatcher();
        m_hook.Reset();
        s_current = m_previous;
    }
    TimedBox(const TimedBox&) = delete;
    TimedBox& operator=(const TimedBox&) = delete;

    // The box's own result; a failure inside the hook is rethrown here.
    int Show(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
        m_hook.Reset(::SetWindowsHookExW(WH_CBT, &TimedBox::HookProcedure, nullptr,
                                         ::GetCurrentThreadId()));
        if (!m_hook) Kestlib::ThrowLastError(L"Error setting CBT hook");
        m_armed = true;
        const int result = ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        // A box that never came up leaves the hook in place; the watcher may still run.
        JoinWatcher();
        m_hook.Reset();
        if (m_failure) std::rethrow_exception(m_failure);
        return result;
    }

private:
    static LRESULT CALLBACK HookProcedure(int code, WPARAM wParam, LPARAM lParam) {
        TimedBox* box = s_current;
        if (code != HCBT_ACTIVATE || !box || !box->m_armed) {
            return ::CallNextHookEx(nullptr, code, wParam, lParam);
        }
        box->OnActivate(reinterpret_cast<HWND>(wParam));
        return 0;
    }

    // Runs inside the system's window code, which no exception may cross: a
    // failure is kept for Show and the box ends at once. Only the first
    // activation is the box: the hook is disarmed before anything can fail, so
    // a hook that could not be removed never ends a later window, such as the
    // owner activated again once the box has gone.
    void OnActivate(HWND window) {
        m_armed = false;
        try {
            m_window = window;
            if (!::UnhookWindowsHookEx(m_hook.Get())) {
                Kestlib::ThrowLastError(L"Error in UnhookWindowsHookEx");
            }
            m_hook.Release();
            m_stop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
            if (m_stop) {
                m_watcher.Reset(::CreateThread(nullptr, 0, &TimedBox::WatcherThread, this, 0, nullptr));
            }
            if (!m_watcher) Kestlib::ThrowLastError(L"Error starting timeout thread");
        } catch (...) {
            m_failure = std::current_exception();
            ::EndDialog(window, 0);
        }
    }

    static DWORD WINAPI WatcherThread(void* parameter) {
        static_cast<TimedBox*>(parameter)->Watch();
        return 0;
    }

    // Checks the box every interval until it is gone, the time-out passes or
    // Show no longer waits for it.
    void Watch() {
        const HWND window = m_window;
        const DWORD start = ::GetTickCount();
        while (::IsWindow(window)) {
            const DWORD elapsed = ::GetTickCount() - start;
            if (elapsed >= m_timeout) {
                ::EndDialog(window, TimedMessageBoxTimedOut);
                return;
            }
            const DWORD wait = std::min(m_pollInterval, m_timeout - elapsed);
            if (::WaitForSingleObject(m_stop.Get(), wait) == WAIT_OBJECT_0) return;
        }
    }

    // Ending the box sends messages to this thread, so they are handled while
    // waiting for the watcher.
    void JoinWatcher() {
        if (!m_watcher) return;
        ::SetEvent(m_stop.Get());
        const HANDLE thread = m_watcher.Get();
        while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        m_watcher.Reset();
    }

    static TimedBox* s_current;

    const DWORD m_timeout;
    const DWORD m_pollInterval;
    TimedBox* const m_previous;
    Kestlib::HookHandle m_hook;
    bool m_armed = false;
    HWND m_window = nullptr;
    Kestlib::KernelHandle m_stop;
    Kestlib::ThreadHandle m_watcher;
    std::exception_ptr m_failure;
};

TimedBox* TimedBox::s_current = nullptr;

}  // namespace

int ShowTimedMessageBox(const std::wstring& text, UINT type, int defaultResult) {
    return ShowTimedMessageBox(text, type, defaultResult, TimedMessageBoxTimeout,
                               TimedMessageBoxPollInterval);
}

int ShowTimedMessageBox(const std::wstring& text, UINT type, int defaultResult,
                        DWORD timeoutMs, DWORD pollIntervalMs) {
    const int level = InstallUILevel::Instance().GetUILevel();
    if (level == UiLevelSilent) return defaultResult;
    ApplicationTitle& application = ApplicationTitle::Instance();
    const std::wstring caption = application.GetTitle();
    if (level != UiLevelBasic) {
        return ::MessageBoxW(application.GetMainWindow(), text.c_str(), caption.c_str(), type);
    }
    const int result = TimedBox(timeoutMs, pollIntervalMs)
                           .Show(application.GetMainWindow(), text, caption, type);
    // A box that could not be created gives 0, or -1 where the dialog code's failure shows through.
    if (result == 0 || result == -1) Kestlib::ThrowError(L"Not enough memory to display the message box.");
    if (result == TimedMessageBoxTimedOut) return defaultResult;
    return result;
}
