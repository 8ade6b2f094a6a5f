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

}  // namespace
