#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/ApplicationTitle.h"
#include "base/InstallUILevel.h"
#include "base/TimedMessageBox.h"
#include "lib/Handles.h"
#include "lib/TextConversion.h"
#include "tests/support/Expect.h"

namespace {

// Plays the user: waits for the box with the caption, looks at it for a while
// and then presses a button (or none, to leave the box alone).
class User {
public:
    User(const std::wstring& caption, int button, DWORD delayMs)
        : m_thread([=] { Act(caption, button, delayMs); }) {}
    ~User() { m_thread.join(); }
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    bool SawBox() const { return m_sawBox; }
    // Whether the box was still there when the user pressed.
    bool BoxWaited() const { return m_boxWaited; }

private:
    void Act(const std::wstring& caption, int button, DWORD delayMs) {
        HWND box = nullptr;
        for (int i = 0; i < 1000 && !box; ++i) {
            box = ::FindWindowW(L"#32770", caption.c_str());
            if (!box) ::Sleep(10);
        }
        m_sawBox = box != nullptr;
        if (!box || !button) return;
        ::Sleep(delayMs);
        m_boxWaited = ::IsWindow(box) && ::IsWindowVisible(box);
        ::SendMessageW(::GetDlgItem(box, button), BM_CLICK, 0, 0);
    }

    std::atomic<bool> m_sawBox{false};
    std::atomic<bool> m_boxWaited{false};
    std::thread m_thread;
};

// Counts the windows this thread creates.
class WindowCounter {
public:
    WindowCounter() {
        s_created = 0;
        m_hook.Reset(::SetWindowsHookExW(WH_CBT, &Procedure, nullptr, ::GetCurrentThreadId()));
    }
    int Created() const { return s_created; }

private:
    static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) ++s_created;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static int s_created;
    Kestlib::HookHandle m_hook;
};

int WindowCounter::s_created = 0;

// Keeps this thread from creating windows, as when the system runs out of them.
class CreationRefused {
public:
    CreationRefused() {
        m_hook.Reset(::SetWindowsHookExW(WH_CBT, &Procedure, nullptr, ::GetCurrentThreadId()));
    }

private:
    static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND) return 1;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    Kestlib::HookHandle m_hook;
};

class TimedMessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Boxes of tests running side by side share one desktop.
        m_caption = L"Timed box " +
                    Kestlib::AnsiToWide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L" " +
                    std::to_wstring(::GetCurrentProcessId());
        ApplicationTitle::Instance().SetTitle(m_caption);
    }
    void TearDown() override {
        InstallUILevel::Release();
        ApplicationTitle::Release();
    }

    static void SetLevel(int level) { InstallUILevel::Instance().SetCommandLineUILevel(level); }
    static DWORD Since(DWORD start) { return ::GetTickCount() - start; }

    std::wstring m_caption;
};

TEST_F(TimedMessageBoxTest, SilentReturnsTheDefaultWithoutAWindow) {
    SetLevel(UiLevelSilent);
    WindowCounter counter;
    EXPECT_EQ(ShowTimedMessageBox(L"Reboot now?", MB_YESNO | MB_ICONQUESTION, IDYES), IDYES);
    EXPECT_EQ(ShowTimedMessageBox(L"It failed", MB_ICONERROR, 0), 0);
    EXPECT_EQ(counter.Created(), 0);
}

TEST_F(TimedMessageBoxTest, BasicBoxLeftAloneClosesItselfWithTheDefault) {
    SetLevel(UiLevelBasic);
    const DWORD start = ::GetTickCount();
    int result = 0;
    {
        User user(m_caption, 0, 0);
        result = ShowTimedMessageBox(L"Reboot now?", MB_YESNO | MB_ICONQUESTION, IDYES, 700, 100);
        EXPECT_TRUE(user.SawBox());
    }
    const DWORD elapsed = Since(start);
    EXPECT_EQ(result, IDYES);
    EXPECT_GE(elapsed, 650u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(::FindWindowW(L"#32770", m_caption.c_str()), nullptr);

    // A box with no buttons to choose from gives the caller's default as well.
    EXPECT_EQ(ShowTimedMessageBox(L"Notice", MB_ICONINFORMATION, 0, 200, 50), 0);
}

TEST_F(TimedMessageBoxTest, BasicBoxAnsweredByTheUserReturnsTheButtonAtOnce) {
    SetLevel(UiLevelBasic);
    {
        User user(m_caption, IDNO, 200);
        EXPECT_EQ(ShowTimedMessageBox(L"Reboot now?", MB_YESNO | MB_ICONQUESTION, IDYES, 60000, 100), IDNO);
        EXPECT_TRUE(user.BoxWaited());
    }
    // With the product's time-out and interval, an answer returns without
    // waiting for the watcher's next check.
    const DWORD start = ::GetTickCount();
    {
        User user(m_caption, IDCANCEL, 300);
        EXPECT_EQ(ShowTimedMessageBox(L"Continue?", MB_OKCANCEL, IDOK), IDCANCEL);
    }
    EXPECT_LT(Since(start), 1800u);
}

TEST_F(TimedMessageBoxTest, FullBoxWaitsForTheUser) {
    const DWORD start = ::GetTickCount();
    User user(m_caption, IDOK, 2500);
    EXPECT_EQ(ShowTimedMessageBox(L"Done", MB_ICONINFORMATION, 0), IDOK);
    EXPECT_GE(Since(start), 2500u);
    EXPECT_TRUE(user.BoxWaited());
}

TEST_F(TimedMessageBoxTest, HookIsGoneAfterEveryBasicBox) {
    SetLevel(UiLevelBasic);
    EXPECT_EQ(ShowTimedMessageBox(L"Timed out", MB_YESNO, IDYES, 200, 50), IDYES);
    {
        User user(m_caption, IDNO, 100);
        EXPECT_EQ(ShowTimedMessageBox(L"Answered", MB_YESNO, IDYES, 200000, 50), IDNO);
    }
    // A box that cannot be created fails, and leaves nothing behind.
    {
        CreationRefused refused;
        EXPECT_THROW_MESSAGE(ShowTimedMessageBox(L"No box", MB_OK, IDOK, 200, 50),
                             "Not enough memory to display the message box.");
    }
    HWND gone = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    ::DestroyWindow(gone);
    ApplicationTitle::Instance().SetMainWindow(gone);
    EXPECT_THROW_MESSAGE(ShowTimedMessageBox(L"Owner gone", MB_OK, IDOK, 200, 50),
                         "Not enough memory to display the message box.");
    ApplicationTitle::Instance().SetMainWindow(nullptr);

    // A later plain box is not ended by any time-out.
    User user(m_caption, IDOK, 800);
    EXPECT_EQ(::MessageBoxW(nullptr, L"Plain", m_caption.c_str(), MB_OK), IDOK);
    EXPECT_TRUE(user.BoxWaited());
    // And a later timed box still works.
    EXPECT_EQ(ShowTimedMessageBox(L"Again", MB_YESNO, IDNO, 200, 50), IDNO);
}

// Only the box itself is ended: the owner, activated again once the box has
// gone, stays open. (A failing unhook, the case this guards most, cannot be
// brought about from here.)
TEST_F(TimedMessageBoxTest, OwnerActivatedAfterTheBoxStaysOpen) {
    SetLevel(UiLevelBasic);
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    ApplicationTitle::Instance().SetMainWindow(owner);
    EXPECT_EQ(ShowTimedMessageBox(L"Timed out", MB_YESNO, IDNO, 200, 50), IDNO);
    ::SetActiveWindow(owner);
    ::SetForegroundWindow(owner);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
    EXPECT_TRUE(::IsWindow(owner));
    ApplicationTitle::Instance().SetMainWindow(nullptr);
    ::DestroyWindow(owner);
}

TEST_F(TimedMessageBoxTest, CaptionDefaultsToTheProgramName) {
    ApplicationTitle::Release();
    EXPECT_EQ(ApplicationTitle::Instance().GetTitle(), L"test_base");
    EXPECT_EQ(ApplicationTitle::Instance().GetMainWindow(), nullptr);
}

}  // namespace
