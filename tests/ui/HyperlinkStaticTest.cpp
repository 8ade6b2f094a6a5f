#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "base/ApplicationTitle.h"
#include "tests/ui/DialogDriver.h"
#include "ui/CHyperlinkStatic.h"

namespace {

TEST(HyperlinkStaticTest, TakesTheTextAndReportsALinkThatCannotBeOpened) {
    ApplicationTitle::Instance().SetTitle(UniqueTitle(L"Link"));
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 40, nullptr, nullptr, nullptr, nullptr);
    HWND label = ::CreateWindowExW(0, L"STATIC", L"Release notes", WS_CHILD | WS_VISIBLE, 0, 0, 200, 16, parent,
                                   nullptr, nullptr, nullptr);
    ASSERT_NE(label, nullptr);
    std::wstring shown;
    {
        CHyperlinkStatic link;
        link.Attach(label);
        EXPECT_EQ(link.GetCaption(), L"Release notes");
        EXPECT_TRUE(::GetWindowLongPtrW(label, GWL_STYLE) & SS_NOTIFY);
        const SIZE extent = link.GetTextExtent();
        EXPECT_GT(extent.cx, 0);
        EXPECT_LT(extent.cx, 200);
        link.SetLink(L"C:\\bootwright-no-such-folder\\notes.txt");
        // A click beside the text opens nothing.
        ::SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(extent.cx + 5, 2));
        {
            DialogDriver user([&] {
                HWND box = DialogDriver::FindDialog(ApplicationTitle::Instance().GetTitle());
                if (!box) return;
                shown = DialogDriver::Text(box, 0xFFFF);
                DialogDriver::Click(box, IDOK);
            });
            ::SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        }
        link.SetCaption(L"More");
        EXPECT_LT(link.GetTextExtent().cx, extent.cx);
    }
    EXPECT_EQ(shown, L"Failed to execute link");
    ::DestroyWindow(parent);
    ApplicationTitle::Release();
}

}  // namespace
