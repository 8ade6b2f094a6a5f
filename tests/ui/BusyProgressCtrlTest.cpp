#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "tests/ui/DialogDriver.h"
#include "ui/CKCBusyProgressCtrl.h"

namespace {

// A static of 4 blocks of 20 pixels with 2-pixel gaps, 10 pixels high.
class BusyProgressCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 88, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_window, nullptr);
        m_control.Attach(m_window);
        Send(BPM_SETNUMSTEPS, 4);
        Send(BPM_SETGAP, 2);
    }
    void TearDown() override { ::DestroyWindow(m_window); }

    LRESULT Send(UINT message, WPARAM first, LPARAM second = 0) { return ::SendMessageW(m_window, message, first, second); }
    std::vector<int> Steps(int count) {
        std::vector<int> positions;
        for (int i = 0; i < count; ++i) {
            Send(BPM_STEPIT, 0);
            positions.push_back(m_control.GetPosition());
        }
        return positions;
    }
    // The colour at the middle of each block's inside, drawn into a bitmap.
    std::vector<COLORREF> BlockColours() {
        HDC screen = ::GetDC(nullptr);
        HDC dc = ::CreateCompatibleDC(screen);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 88, -10, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        RECT area = {0, 0, 88, 10};
        m_control.Draw(dc, area);
        std::vector<COLORREF> colours;
        for (int block = 0; block < 4; ++block) colours.push_back(::GetPixel(dc, block * 22 + 4, 5));
        ::SelectObject(dc, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc);
        ::ReleaseDC(nullptr, screen);
        return colours;
    }

    HWND m_window = nullptr;
    CKCBusyProgressCtrl m_control;
};

TEST_F(BusyProgressCtrlTest, EveryMessageSetsItsValue) {
    EXPECT_DOUBLE_EQ(m_control.GetBlockWidth(), 20.0);
    EXPECT_DOUBLE_EQ(m_control.GetBlockHeight(), 10.0);
    struct Case {
        UINT message;
        WPARAM first;
        LPARAM second;
        std::function<long long(const CKCBusyProgressCtrl&)> read;
        long long expected;
    };
    const std::vector<Case> cases = {
        {BPM_SETNUMSTEPS, 16, 0, [](auto& c) { return c.GetBlockCount(); }, 16},
        {BPM_SETCURRENTSTEP, 3, 0, [](auto& c) { return c.GetPosition(); }, 3},
        {BPM_SETGAP, 4, 0, [](auto& c) { return c.GetGap(); }, 4},
        {BPM_SETSPEED, 250, 0, [](auto& c) { return c.GetInterval(); }, 250},
        {BPM_SETRANGE, 10, 90, [](auto& c) { return c.GetRangeLow() * 1000 + c.GetRangeHigh(); }, 10090},
        {BPM_SETMODE, BusyModeProgress, 0, [](auto& c) { return c.GetMode(); }, BusyModeProgress},
        {BPM_SETBUSYTYPE, BusyStyleWrapBackward, 0, [](auto& c) { return c.GetBusyStyle(); }, BusyStyleWrapBackward},
        {BPM_SETGRANULARITY, 3, 0, [](auto& c) { return c.GetSeriesLength(); }, 3},
        {BPM_SETBUSYFILL, BusyKindSeries, 0, [](auto& c) { return c.GetSeriesTotal(); }, 3 * 16},
        {BPM_SETCOLBKG, 0x123456, 0, [](auto& c) { return c.GetBackground(); }, 0x123456},
        {BPM_SETCOLBLOCKFACE, 0x010203, 0, [](auto& c) { return c.GetBlockFill(); }, 0x010203},
        {BPM_SETCOLBLOCKEDGE, 0x040506, 0, [](auto& c) { return c.GetBlockOutline(); }, 0x040506},
        {BPM_SETCOLBLOCKFACEHI, 0x070809, 0, [](auto& c) { return c.GetLitFill(); }, 0x070809},
        {BPM_SETCOLBLOCKEDGEHI, 0x0A0B0C, 0, [](auto& c) { return c.GetLitOutline(); }, 0x0A0B0C},
        {BPM_USESYSCOL, 0, 0, [](auto& c) { return c.FollowsSystemBackground(); }, 0},
        {BPM_USESYSCOL, 1, 0, [](auto& c) { return c.GetBackground(); }, static_cast<long long>(::GetSysColor(COLOR_BTNFACE))},
        {BPM_RESET, 0, 0, [](auto& c) { return c.GetPosition() * 10 + c.GetDirection(); }, 1},
    };
    for (const Case& c : cases) {
        Send(c.message, c.first, c.second);
        EXPECT_EQ(c.read(m_control), c.expected) << "message WM_USER+" << (c.message - WM_USER);
    }
    // 16 blocks with 4-pixel gaps in 88 pixels.
    EXPECT_DOUBLE_EQ(m_control.GetBlockWidth(), (88.0 - 16 * 4) / 16);
}

TEST_F(BusyProgressCtrlTest, StylesTurnOrWrapAtTheEnds) {
    EXPECT_EQ(Steps(8), (std::vector<int>{1, 2, 3, 2, 1, 0, 1, 2}));
    Send(BPM_SETBUSYTYPE, BusyStyleWrapForward);
    Send(BPM_SETCURRENTSTEP, 2);
    EXPECT_EQ(Steps(3), (std::vector<int>{3, 0, 1}));
    Send(BPM_SETBUSYTYPE, BusyStyleWrapBackward);
    EXPECT_EQ(Steps(3), (std::vector<int>{0, 3, 2}));
    // Progress mode does not walk.
    Send(BPM_SETMODE, BusyModeProgress);
    EXPECT_EQ(Steps(1), (std::vector<int>{2}));
}

TEST_F(BusyProgressCtrlTest, DrawsTheLitBlockOrTheFilledPart) {
    Send(BPM_SETCOLBKG, RGB(128, 128, 128));
    Send(BPM_SETCOLBLOCKFACE, RGB(255, 255, 255));
    Send(BPM_SETCOLBLOCKFACEHI, RGB(0, 0, 255));
    const COLORREF unlit = RGB(255, 255, 255), lit = RGB(0, 0, 255);
    Send(BPM_SETCURRENTSTEP, 2);
    EXPECT_EQ(BlockColours(), (std::vector<COLORREF>{unlit, unlit, lit, unlit}));
    // Progress of 60 in 0..100 over 4 blocks: two whole blocks and 40% of the third.
    Send(BPM_SETMODE, BusyModeProgress);
    Send(BPM_SETCURRENTSTEP, 60);
    EXPECT_EQ(BlockColours(), (std::vector<COLORREF>{lit, lit, lit, unlit}));
    Send(BPM_SETCURRENTSTEP, 55);
    EXPECT_EQ(BlockColours(), (std::vector<COLORREF>{lit, lit, unlit, unlit}));
}

TEST_F(BusyProgressCtrlTest, TheAnimationThreadStepsUntilStopped) {
    Send(BPM_SETSPEED, 20);
    Send(BPM_STARTBUSY, 0);
    EXPECT_TRUE(m_control.IsRunning());
    const bool moved = DialogDriver::WaitFor([&] {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        return m_control.GetPosition() >= 2;
    });
    EXPECT_TRUE(moved);
    Send(BPM_ENDBUSY, 0);
    EXPECT_FALSE(m_control.IsRunning());
}

}  // namespace
