#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "tests/base/LogCapture.h"
#include "tests/support/Expect.h"
#include "ui/CComponentsList.h"

namespace {

class FixedComponent : public Component {
public:
    FixedComponent(const std::wstring& name, bool isInstalled, bool isRequired) : Component(ComponentTypeCmd) {
        description = name;
        installed = isInstalled;
        required = isRequired;
    }
    void Exec() override {}
    bool IsExecuting() const override { return false; }
    unsigned long GetExitCode() const override { return 0; }
    bool IsInstalled() const override { return installed; }
    bool installed;
};

// A list box as the main window's template makes it, in a window of its own.
class ComponentsListTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 320, 120, nullptr, nullptr, nullptr, nullptr);
        m_window = ::CreateWindowExW(0, L"LISTBOX", L"",
                                     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER | LBS_OWNERDRAWFIXED |
                                         LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                     0, 0, 300, 100, m_parent, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        m_list.Attach(m_window);
        m_configuration.status_installed = L"(installed)";
        m_configuration.status_notinstalled = L"(not installed)";
    }
    void TearDown() override {
        m_list.Detach();
        ::DestroyWindow(m_parent);
    }
    FixedComponent* Add(const std::wstring& name, bool installed, bool required) {
        FixedComponent* component = new FixedComponent(name, installed, required);
        m_configuration.components.push_back(ComponentPtr(component));
        return component;
    }
    void ClickBox(int index) {
        RECT item = {};
        ::SendMessageW(m_window, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        const LPARAM point = MAKELPARAM(item.left + 3, item.top + 3);
        ::SendMessageW(m_window, WM_LBUTTONDOWN, MK_LBUTTON, point);
        ::SendMessageW(m_window, WM_LBUTTONUP, 0, point);
    }

    HWND m_parent = nullptr;
    HWND m_window = nullptr;
    CComponentsList m_list;
    InstallConfiguration m_configuration;
    LogCapture m_log;
};

TEST_F(ComponentsListTest, ListsEachComponentWithItsStateAndReadsTheMarksBack) {
    FixedComponent* runtime = Add(L"Runtime", true, true);
    FixedComponent* core = Add(L"Core", false, true);
    FixedComponent* samples = Add(L"Samples", false, false);
    samples->status_notinstalled = L"(optional)";
    EXPECT_FALSE(m_list.Load(&m_configuration, 1033));
    ASSERT_EQ(m_list.GetCount(), 3);
    const std::vector<std::wstring> texts = {m_list.GetText(0), m_list.GetText(1), m_list.GetText(2)};
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"Runtime (installed)", L"Core (not installed)", L"Samples (optional)"}));
    EXPECT_EQ(m_list.GetComponent(1), core);
    EXPECT_EQ(reinterpret_cast<Component*>(::SendMessageW(m_window, LB_GETITEMDATA, 2, 0)), samples);
    // Installed: unchecked and fixed; required: checked and fixed; optional: checked and free.
    EXPECT_FALSE(m_list.GetCheck(0));
    EXPECT_FALSE(m_list.IsEntryEnabled(0));
    EXPECT_TRUE(m_list.GetCheck(1));
    EXPECT_FALSE(m_list.IsEntryEnabled(1));
    EXPECT_TRUE(m_list.GetCheck(2));
    EXPECT_TRUE(m_list.IsEntryEnabled(2));
    EXPECT_FALSE(runtime->selected);
    EXPECT_TRUE(m_log.HasLine("-- Runtime: INSTALLED"));
    EXPECT_TRUE(m_log.HasLine("-- Core: NOT INSTALLED"));
    EXPECT_GT(::SendMessageW(m_window, LB_GETHORIZONTALEXTENT, 0, 0), 0);

    // Only a free entry follows a click on its box.
    ClickBox(1);
    ClickBox(2);
    EXPECT_TRUE(m_list.GetCheck(1));
    EXPECT_FALSE(m_list.GetCheck(2));
    m_list.Save();
    EXPECT_TRUE(core->selected);
    EXPECT_FALSE(samples->selected);
}

TEST_F(ComponentsListTest, HiddenEntriesStillCountAndRequiredOnesStillRun) {
    m_configuration.dialog_show_installed = false;
    m_configuration.dialog_show_required = false;
    Add(L"Runtime", true, false);
    FixedComponent* core = Add(L"Core", false, true);
    Add(L"Samples", false, false);
    EXPECT_FALSE(m_list.Load(&m_configuration, 1033));
    ASSERT_EQ(m_list.GetCount(), 1);
    EXPECT_EQ(m_list.GetText(0), L"Samples (not installed)");
    EXPECT_TRUE(core->selected);
    m_list.Save();
    EXPECT_TRUE(core->selected);

    core->installed = true;
    m_configuration.components.erase(m_configuration.components.begin() + 2);
    EXPECT_TRUE(m_list.Load(&m_configuration, 1033));
    EXPECT_EQ(m_list.GetCount(), 0);
    EXPECT_THROW_MESSAGE(m_list.Load(nullptr, 1033), "Invalid configuration");
}

// A bitmap of one entry's size, drawn into by the list as the list box asks.
class EntryCanvas {
public:
    EntryCanvas(const CComponentsList& list, HWND window) : m_list(list), m_window(window) {
        ::SendMessageW(window, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&m_item));
        ::OffsetRect(&m_item, -m_item.left, -m_item.top);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), m_item.right, -m_item.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        ::SelectObject(m_dc, reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    }
    ~EntryCanvas() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    EntryCanvas(const EntryCanvas&) = delete;
    EntryCanvas& operator=(const EntryCanvas&) = delete;

    void Draw(UINT action, UINT state) {
        DRAWITEMSTRUCT draw = {ODT_LISTBOX, 1001, 0, action, state, m_window, m_dc, m_item, 0};
        m_list.DrawItem(draw);
        ::GdiFlush();
    }
    std::vector<DWORD> Pixels() const {
        return std::vector<DWORD>(m_bits, m_bits + static_cast<size_t>(m_item.right) * m_item.bottom);
    }

private:
    const CComponentsList& m_list;
    HWND m_window;
    RECT m_item = {};
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

// The focus rectangle is drawn by inverting: a redraw for the focus alone
// must invert it again when the focus leaves, and a repainted entry shows it
// only while it has the focus.
TEST_F(ComponentsListTest, TheFocusRectangleLeavesNothingBehind) {
    Add(L"Samples", false, false);
    m_list.Load(&m_configuration, 1033);
    struct Step {
        UINT action;
        UINT state;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        Step alike;  // one repaint that must give the same picture
    } cases[] = {
        {"focus gained", {{ODA_DRAWENTIRE, 0}, {ODA_FOCUS, ODS_FOCUS}}, {ODA_DRAWENTIRE, ODS_FOCUS}},
        {"focus gained and lost", {{ODA_DRAWENTIRE, 0}, {ODA_FOCUS, ODS_FOCUS}, {ODA_FOCUS, 0}}, {ODA_DRAWENTIRE, 0}},
        {"repainted with the focus, then lost it", {{ODA_DRAWENTIRE, ODS_FOCUS}, {ODA_FOCUS, 0}}, {ODA_DRAWENTIRE, 0}},
        {"selected with the focus, then lost it",
         {{ODA_SELECT, ODS_SELECTED | ODS_FOCUS}, {ODA_FOCUS, ODS_SELECTED}},
         {ODA_SELECT, ODS_SELECTED}},
        {"lost and gained twice",
         {{ODA_DRAWENTIRE, ODS_FOCUS}, {ODA_FOCUS, 0}, {ODA_FOCUS, ODS_FOCUS}, {ODA_FOCUS, 0}, {ODA_FOCUS, ODS_FOCUS}},
         {ODA_DRAWENTIRE, ODS_FOCUS}},
    };
    EntryCanvas plain(m_list, m_window);
    plain.Draw(ODA_DRAWENTIRE, 0);
    EntryCanvas focused(m_list, m_window);
    focused.Draw(ODA_DRAWENTIRE, ODS_FOCUS);
    ASSERT_NE(plain.Pixels(), focused.Pixels()) << "no focus rectangle drawn at all";
    for (const auto& c : cases) {
        EntryCanvas stepped(m_list, m_window);
        for (const Step& step : c.steps) stepped.Draw(step.action, step.state);
        EntryCanvas alike(m_list, m_window);
        alike.Draw(c.alike.action, c.alike.state);
        EXPECT_TRUE(stepped.Pixels() == alike.Pixels()) << c.name;
    }
}

}  // namespace
