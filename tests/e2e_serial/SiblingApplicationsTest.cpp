// The running-application check finds suite windows anywhere on the desktop.
// Serial: while such a window exists, every language selector of the prefix
// would end its program.
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/SiblingApplications.h"

namespace {

// A top-level window of a given class, as a running suite application has.
class FrameWindow {
public:
    explicit FrameWindow(const wchar_t* windowClass) : m_class(windowClass) {
        WNDCLASSW description = {};
        description.lpfnWndProc = ::DefWindowProcW;
        description.hInstance = ::GetModuleHandleW(nullptr);
        description.lpszClassName = windowClass;
        ::RegisterClassW(&description);
        m_window = ::CreateWindowExW(0, windowClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                     description.hInstance, nullptr);
    }
    ~FrameWindow() {
        ::DestroyWindow(m_window);
        ::UnregisterClassW(m_class, ::GetModuleHandleW(nullptr));
    }
    FrameWindow(const FrameWindow&) = delete;
    FrameWindow& operator=(const FrameWindow&) = delete;
    bool Exists() const { return m_window != nullptr; }

private:
    const wchar_t* m_class;
    HWND m_window = nullptr;
};

TEST(SiblingApplications, FindsTheFirstRunningApplicationInTableOrder) {
    EXPECT_EQ(FindRunningSiblingApplication(), L"");
    {
        FrameWindow slides(L"SLWMdiFrame");
        FrameWindow data(L"DTW");
        ASSERT_TRUE(slides.Exists() && data.Exists());
        EXPECT_EQ(FindRunningSiblingApplication(), L"Datavo");
        FrameWindow grid(L"GWWMdiFrame");
        EXPECT_EQ(FindRunningSiblingApplication(), L"Gridwell");
    }
    EXPECT_EQ(FindRunningSiblingApplication(), L"");
}

}  // namespace
