#include <string>
#include <vector>

#include "config/ReferenceConfiguration.h"
#include "tests/support/Expect.h"
#include "tests/ui/MainDialogTesting.h"
#include "ui/WindowPosition.h"
#include "ui/resource.h"

using namespace MainDialogTesting;

namespace {

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(WindowPositionTest, EachNonZeroFieldChangesItsEdge) {
    const RECT current = {50, 60, 250, 160};
    struct Case {
        Position position;
        RECT expected;
    } cases[] = {
        {{0, 0, 0, 0}, {50, 60, 250, 160}},
        // A new left with width 0 keeps the old right edge.
        {{100, 0, 0, 0}, {100, 60, 250, 160}},
        {{0, 0, 30, 0}, {50, 60, 80, 160}},
        // The width counts from the left edge just set.
        {{100, 0, 30, 0}, {100, 60, 130, 160}},
        {{0, 10, 0, 0}, {50, 10, 250, 160}},
        {{0, 0, 0, 40}, {50, 60, 250, 100}},
        {{0, 10, 0, 40}, {50, 10, 250, 50}},
        {{1, 2, 3, 4}, {1, 2, 4, 6}},
        {{-20, -10, 0, 0}, {-20, -10, 250, 160}},
    };
    EXPECT_FALSE(IsPositionSet({0, 0, 0, 0}));
    EXPECT_TRUE(IsPositionSet({0, 0, 0, 4}));
    for (const Case& c : cases) {
        const RECT applied = ApplyPosition(current, c.position);
        EXPECT_TRUE(applied == c.expected) << Describe(applied) << " for " << c.position.x << "," << c.position.y
                                           << "," << c.position.width << "," << c.position.height;
    }
}

// What the driver reads from the window.
struct WindowState {
    std::wstring title, install, cancel, skip, message, link, os;
    bool skipShown = false, linkShown = false, iconSet = false;
    UINT defaultId = 0;
    RECT dialog = {}, list = {}, installButton = {};
    int bannerWidth = 0;
};

RECT ClientRect(HWND dialog, int id) {
    RECT rect = {};
    HWND control = ::GetDlgItem(dialog, id);
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class MainDialogWindowTest : public MainDialogTest {
protected:
    // Shows configuration, reads the window and cancels it.
    WindowState Read(const ConfigurationPtr& configuration, bool more) {
        WindowState state;
        EXPECT_EQ(Run(configuration, more,
                      [&] {
                          HWND window = WaitForWindow();
                          state.title = WindowText(window);
                          state.install = DialogDriver::Text(window, IDC_INSTALL);
                          state.cancel = DialogDriver::Text(window, IDCANCEL);
                          state.skip = DialogDriver::Text(window, IDC_SKIP);
                          state.message = DialogDriver::Text(window, IDC_MESSAGE);
                          state.link = DialogDriver::Text(window, IDC_OTHERINFO_LINK);
                          state.os = DialogDriver::Text(window, IDC_OPERATING_SYSTEM);
                          state.skipShown = ::IsWindowVisible(::GetDlgItem(window, IDC_SKIP)) != FALSE;
                          state.linkShown = ::IsWindowVisible(::GetDlgItem(window, IDC_OTHERINFO_LINK)) != FALSE;
                          state.iconSet = ::SendMessageW(window, WM_GETICON, ICON_SMALL, 0) != 0 &&
                                          ::SendMessageW(window, WM_QUERYDRAGICON, 0, 0) != 0;
                          state.defaultId = LOWORD(::SendMessageW(window, DM_GETDEFID, 0, 0));
                          WINDOWPLACEMENT placement = {};
                          placement.length = sizeof(placement);
                          ::GetWindowPlacement(window, &placement);
                          state.dialog = placement.rcNormalPosition;
                          state.list = ClientRect(window, IDC_COMPONENTS_LIST);
                          state.installButton = ClientRect(window, IDC_INSTALL);
                          HBITMAP banner = reinterpret_cast<HBITMAP>(
                              ::SendDlgItemMessageW(window, IDC_BANNER, STM_GETIMAGE, IMAGE_BITMAP, 0));
                          BITMAP bitmap = {};
                          if (banner && ::GetObjectW(banner, sizeof(bitmap), &bitmap)) state.bannerWidth = bitmap.bmWidth;
                          DialogDriver::Press(window, IDCANCEL);
                      }),
                  IDCANCEL);
        return state;
    }
    // A bitmap file 2 pixels wide and high.
    std::wstring SmallBitmap() {
        std::string bytes(70, '\0');
        auto put = [&](size_t at, unsigned value, int size) {
            for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        };
        bytes[0] = 'B';
        bytes[1] = 'M';
        put(2, 70, 4);
        put(10, 54, 4);
        put(14, 40, 4);
        put(18, 2, 4);
        put(22, 2, 4);
        put(26, 1, 2);
        put(28, 24, 2);
        const std::wstring path = m_folder / L"small.bmp";
        TestSupport::WriteTextFile(path, bytes);
        return path;
    }
};

TEST_F(MainDialogWindowTest, TheConfigurationsTextsButtonsAndLink) {
    struct Case {
        bool more;
        const char* link;
        bool skipShown;
        bool linkShown;
    } cases[] = {
        {true, "dialog_otherinfo_caption=\"Release notes\" dialog_otherinfo_link=\"http://127.0.0.1/notes\"", true, true},
        // An empty caption hides the link even when its target is set.
        {false, "dialog_otherinfo_link=\"http://127.0.0.1/notes\"", false, false},
    };
    for (const Case& c : cases) {
        const WindowState state = Read(Configuration("install_caption=\"&amp;Install\" cancel_caption=\"Close\" "
                                                     "skip_caption=\"S&amp;kip\" dialog_message=\"Choose the parts.\" " +
                                                         std::string(c.link),
                                                     Cmd("A", 0)),
                                       c.more);
        EXPECT_EQ(state.title, m_caption);
        EXPECT_EQ(ApplicationTitle::Instance().GetTitle(), m_caption);
        EXPECT_EQ(state.install, L"&Install");
        EXPECT_EQ(state.cancel, L"Close");
        EXPECT_EQ(state.skip, L"S&kip");
        EXPECT_EQ(state.message, L"Choose the parts.");
        EXPECT_EQ(state.skipShown, c.skipShown) << c.more;
        EXPECT_EQ(state.linkShown, c.linkShown) << c.link;
        if (c.linkShown) {
            EXPECT_EQ(state.link, L"Release notes");
        }
        // The system's name with its processor in brackets.
        ASSERT_GT(state.os.size(), 4u);
        EXPECT_NE(state.os.find(L" ("), std::wstring::npos) << Ansi(state.os);
        EXPECT_EQ(state.os.back(), L')');
        EXPECT_TRUE(state.iconSet);
        // Enter installs, whatever the template marks as default.
        EXPECT_EQ(state.defaultId, static_cast<UINT>(IDC_INSTALL));
    }
}

TEST_F(MainDialogWindowTest, PositionsChangeTheWindowsFieldByField) {
    const WindowState before = Read(Configuration("", Cmd("A", 0)), false);
    const WindowState after = Read(Configuration("dialog_position=\"100,0,0,0\" "
                                                 "dialog_components_list_position=\"10,20,30,40\" "
                                                 "dialog_install_button_position=\"0,0,90,0\"",
                                                 Cmd("A", 0)),
                                   false);
    ASSERT_NE(before.dialog.left, 100);
    EXPECT_EQ(after.dialog.left, 100);
    // Only the left edge moved: the dialog is wider or narrower, not shifted.
    EXPECT_EQ(after.dialog.right, before.dialog.right);
    EXPECT_EQ(after.dialog.top, before.dialog.top);
    EXPECT_EQ(after.dialog.bottom, before.dialog.bottom);
    EXPECT_TRUE(after.list == (RECT{10, 20, 40, 60})) << Describe(after.list);
    EXPECT_EQ(after.installButton.left, before.installButton.left);
    EXPECT_EQ(after.installButton.right, before.installButton.left + 90);
    EXPECT_EQ(after.installButton.top, before.installButton.top);
    EXPECT_EQ(after.installButton.bottom, before.installButton.bottom);
}

TEST_F(MainDialogWindowTest, TheBannerComesFromTheFileOrTheProgram) {
    const std::wstring small = SmallBitmap();
    EXPECT_EQ(Read(Configuration("dialog_bitmap=\"" + Ansi(small) + "\"", Cmd("A", 0)), false).bannerWidth, 2);
    // A missing file falls back to the built-in banner.
    const std::wstring missing = m_folder / L"missing.bmp";
    EXPECT_GT(Read(Configuration("dialog_bitmap=\"" + Ansi(missing) + "\"", Cmd("A", 0)), false).bannerWidth, 2);
    EXPECT_GT(Read(Configuration("", Cmd("A", 0)), false).bannerWidth, 2);

    // A file that is there but no bitmap stops the dialog as it is set up.
    const std::wstring garbage = m_folder / L"garbage.bmp";
    TestSupport::WriteTextFile(garbage, "not a bitmap");
    try {
        Run(Configuration("dialog_bitmap=\"" + Ansi(garbage) + "\"", Cmd("A", 0)), false);
        ADD_FAILURE() << "no error";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find(" - Error loading \"" + Ansi(garbage) + "\""), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(m_log.HasLine("--- Component 'A': EXECUTING"));
}

// Moved to a monitor at 150 %, the window sizes what it draws itself anew:
// the check list's entries, and the document's positions in their pixels at 100 %.
TEST_F(MainDialogWindowTest, AChangeOfScaleResizesWhatTheWindowDraws) {
    LRESULT before = 0, after = 0;
    RECT list = {};
    Run(Configuration("dialog_components_list_position=\"10,20,30,40\"", Cmd("A", 0)), false, [&] {
        HWND window = WaitForWindow();
        HWND entries = ::GetDlgItem(window, IDC_COMPONENTS_LIST);
        before = ::SendMessageW(entries, LB_GETITEMHEIGHT, 0, 0);
        RECT suggested = {};
        ::GetWindowRect(window, &suggested);
        ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
        DialogDriver::WaitFor([&] { return ::SendMessageW(entries, LB_GETITEMHEIGHT, 0, 0) != before; });
        after = ::SendMessageW(entries, LB_GETITEMHEIGHT, 0, 0);
        list = ClientRect(window, IDC_COMPONENTS_LIST);
        DialogDriver::Press(window, IDCANCEL);
    });
    // The check box grows from 13 to 20 pixels, and the margin with it.
    EXPECT_GE(after, 23) << before;
    EXPECT_TRUE(list == (RECT{15, 30, 60, 90})) << Describe(list);
}

TEST_F(MainDialogWindowTest, WithoutAnInstallConfigurationTheDialogFails) {
    SetLevel(UiLevelSilent);
    EXPECT_THROW_MESSAGE(Run(ConfigurationPtr(), false), "Invalid configuration");
    EXPECT_THROW_MESSAGE(Run(ConfigurationPtr(new ReferenceConfiguration), false), "Invalid configuration");
    // The clean-up as the window goes has no configuration either; it is logged.
    EXPECT_TRUE(m_log.HasLine("Error terminating Bootwright: Invalid configuration"));
}

}  // namespace
