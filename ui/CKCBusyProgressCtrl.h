#pragma once

#include <windows.h>

#include "lib/Handles.h"
#include "ui/SubclassedControl.h"

// Control messages of the block indicator; first and second parameter as named.
enum BusyProgressMessage : UINT {
    BPM_SETNUMSTEPS = WM_USER + 1,      // block count
    BPM_SETCURRENTSTEP = WM_USER + 2,   // position
    BPM_SETGAP = WM_USER + 3,           // pixels between blocks
    BPM_SETSPEED = WM_USER + 4,         // animation interval in ms
    BPM_SETRANGE = WM_USER + 5,         // low, high
    BPM_SETMODE = WM_USER + 6,          // BusyModeBusy or BusyModeProgress
    BPM_STARTBUSY = WM_USER + 7,
    BPM_ENDBUSY = WM_USER + 8,
    BPM_STEPIT = WM_USER + 9,
    BPM_SETBUSYTYPE = WM_USER + 10,     // BusyStyle...
    BPM_SETBUSYFILL = WM_USER + 11,     // BusyKind...
    BPM_SETGRANULARITY = WM_USER + 12,  // series length
    BPM_SETCOLBKG = WM_USER + 13,
    BPM_SETCOLBLOCKFACE = WM_USER + 14,
    BPM_SETCOLBLOCKEDGE = WM_USER + 15,
    BPM_SETCOLBLOCKFACEHI = WM_USER + 16,
    BPM_SETCOLBLOCKEDGEHI = WM_USER + 17,
    BPM_RECALC = WM_USER + 18,
    BPM_RESET = WM_USER + 19,
    BPM_USESYSCOL = WM_USER + 20,       // on (non-zero) or off
};

enum BusyMode : int { BusyModeBusy = 1, BusyModeProgress = 2 };
enum BusyStyle : int { BusyStyleBounce = 1, BusyStyleWrapForward = 2, BusyStyleWrapBackward = 4 };
enum BusyKind : int { BusyKindSingleBlock = 1, BusyKindSeries = 2 };

// An animated row of blocks drawn over a static control: in busy mode one
// block (or a series) walks along the row, in progress mode the row fills up.
// The animation thread only asks the window to step; all state belongs to
// the window's thread.
class CKCBusyProgressCtrl : public SubclassedControl {
public:
    CKCBusyProgressCtrl() = default;
    ~CKCBusyProgressCtrl() override;

    // The progress windows' look: busy mode, bouncing, white blocks with the
    // highlight colour for the lit one, black outlines, 100 ms steps.
    void SetUpForProgressWindow(int blocks);

    // Paints the row into any device context (the window paints through an
    // off-screen bitmap of its client size).
    void Draw(HDC dc, const RECT& area) const;

    int GetBlockCount() const { return m_blocks; }
    int GetPosition() const { return m_position; }
    int GetDirection() const { return m_direction; }
    int GetGap() const { return m_gap; }
    DWORD GetInterval() const { return m_interval; }
    int GetRangeLow() const { return m_low; }
    int GetRangeHigh() const { return m_high; }
    int GetMode() const { return m_mode; }
    int GetBusyStyle() const { return m_style; }
    int GetBusyKind() const { return m_kind; }
    int GetSeriesLength() const { return m_seriesLength; }
    int GetSeriesTotal() const { return m_seriesTotal; }
    COLORREF GetBackground() const { return m_background; }
    COLORREF GetBlockFill() const { return m_fill; }
    COLORREF GetBlockOutline() const { return m_outline; }
    COLORREF GetLitFill() const { return m_litFill; }
    COLORREF GetLitOutline() const { return m_litOutline; }
    bool FollowsSystemBackground() const { return m_followSystem; }
    double GetBlockWidth() const { return m_blockWidth; }
    double GetBlockHeight() const { return m_blockHeight; }
    bool IsRunning() const { return static_cast<bool>(m_thread); }

protected:
    void OnAttached() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Recalculate();
    void Step();
    void Start();
    void Stop();
    void Paint();
    void Changed();
    static unsigned __stdcall Animate(void* context);

    int m_blocks = 10;
    int m_gap = 1;
    int m_position = 0;
    int m_direction = 1;
    int m_mode = BusyModeBusy;
    int m_low = 0;
    int m_high = 100;
    int m_style = BusyStyleBounce;
    int m_kind = BusyKindSingleBlock;
    int m_seriesLength = 5;
    int m_seriesTotal = 50;
    DWORD m_interval = 100;
    bool m_followSystem = true;
    COLORREF m_background = ::GetSysColor(COLOR_BTNFACE);
    COLORREF m_fill = 0xDCBEA0;
    COLORREF m_outline = 0x875A32;
    COLORREF m_litFill = 0xFFDCBE;
    COLORREF m_litOutline = 0x875A32;
    double m_blockWidth = 0;
    double m_blockHeight = 0;

    Kestlib::KernelHandle m_thread;
    Kestlib::KernelHandle m_stop;
    HBITMAP m_buffer = nullptr;
    SIZE m_bufferSize = {0, 0};
};
