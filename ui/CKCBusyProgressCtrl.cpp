#include "ui/CKCBusyProgressCtrl.h"

#include <process.h>

#include <cmath>

#include "lib/SystemError.h"

namespace {

// What the animation thread needs; it owns its copy of the stop event.
struct AnimationContext {
    HWND window;
    HANDLE stop;
    DWORD interval;
};

// Selects a pen and brush into a context for one block and restores the old ones.
class BlockTools {
public:
    BlockTools(HDC dc, COLORREF outline, COLORREF fill)
        : m_dc(dc), m_pen(::CreatePen(PS_SOLID, 1, outline)), m_brush(::CreateSolidBrush(fill)) {
        m_oldPen = ::SelectObject(dc, m_pen);
        m_oldBrush = ::SelectObject(dc, m_brush);
    }
    ~BlockTools() {
        ::SelectObject(m_dc, m_oldPen);
        ::SelectObject(m_dc, m_oldBrush);
        ::DeleteObject(m_pen);
        ::DeleteObject(m_brush);
    }
    BlockTools(const BlockTools&) = delete;
    BlockTools& operator=(const BlockTools&) = delete;

private:
    HDC m_dc;
    HPEN m_pen;
    HBRUSH m_brush;
    HGDIOBJ m_oldPen;
    HGDIOBJ m_oldBrush;
};

void FillArea(HDC dc, const RECT& area, COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &area, brush);
    ::DeleteObject(brush);
}

}  // namespace

CKCBusyProgressCtrl::~CKCBusyProgressCtrl() {
    Stop();
    if (m_buffer) ::DeleteObject(m_buffer);
}

void CKCBusyProgressCtrl::OnAttached() {
    if (m_followSystem) m_background = ::GetSysColor(COLOR_BTNFACE);
    Recalculate();
}

void CKCBusyProgressCtrl::SetUpForProgressWindow(int blocks) {
    HWND window = GetHwnd();
    ::SendMessageW(window, BPM_SETNUMSTEPS, static_cast<WPARAM>(blocks), 0);
    ::SendMessageW(window, BPM_SETSPEED, 100, 0);
    ::SendMessageW(window, BPM_SETMODE, BusyModeBusy, 0);
    ::SendMessageW(window, BPM_SETBUSYTYPE, BusyStyleBounce, 0);
    ::SendMessageW(window, BPM_SETCOLBLOCKFACE, RGB(255, 255, 255), 0);
    ::SendMessageW(window, BPM_SETCOLBLOCKFACEHI, ::GetSysColor(COLOR_HIGHLIGHT), 0);
    ::SendMessageW(window, BPM_SETCOLBLOCKEDGE, RGB(0, 0, 0), 0);
    ::SendMessageW(window, BPM_SETCOLBLOCKEDGEHI, RGB(0, 0, 0), 0);
}

void CKCBusyProgressCtrl::Recalculate() {
    RECT client = {};
    if (GetHwnd()) ::GetClientRect(GetHwnd(), &client);
    const double width = client.right - client.left;
    m_blockHeight = client.bottom - client.top;
    m_blockWidth = m_blocks > 0 ? (width - static_cast<double>(m_blocks) * m_gap) / m_blocks : 0.0;
}

void CKCBusyProgressCtrl::Draw(HDC dc, const RECT& area) const {
    FillArea(dc, area, m_background);
    const bool single = m_mode == BusyModeBusy && m_kind == BusyKindSingleBlock;
    const int total = m_mode == BusyModeBusy ? m_seriesTotal : m_high - m_low;
    const int position = m_mode == BusyModeBusy ? m_position : m_position - m_low;
    const double filled = total > 0 ? static_cast<double>(position) / total * m_blocks : 0.0;
    const double whole = std::floor(filled);
    double left = area.left;
    for (int i = 0; i < m_blocks; ++i) {
        RECT block = {static_cast<LONG>(left), area.top, static_cast<LONG>(left + m_blockWidth),
                      area.top + static_cast<LONG>(m_blockHeight)};
        const bool lit = single ? i == m_position : i < whole;
        {
            BlockTools tools(dc, lit ? m_litOutline : m_outline, lit ? m_litFill : m_fill);
            ::Rectangle(dc, block.left, block.top, block.right, block.bottom);
        }
        if (!single && i == static_cast<int>(whole) && filled > whole) {
            RECT part = {block.left + 1, block.top + 1, 0, block.bottom - 1};
            part.right = part.left + static_cast<LONG>((filled - whole) * (m_blockWidth - 2));
            if (part.right > part.left) FillArea(dc, part, m_litFill);
        }
        left += m_blockWidth + m_gap;
    }
}

void CKCBusyProgressCtrl::Step() {
    if (m_mode != BusyModeBusy) return;
    const int last = m_kind == BusyKindSeries ? m_seriesTotal : m_blocks - 1;
    if (last <= 0) {
        m_position = 0;
        return;
    }
    switch (m_style) {
        case BusyStyleWrapForward:
            m_direction = 1;
            if (m_position >= last) m_position = -1;
            break;
        case BusyStyleWrapBackward:
            m_direction = -1;
            if (m_position <= 0) m_position = last + 1;
            break;
        default:
            if (m_position >= last) m_direction = -1;
            else if (m_position <= 0) m_direction = 1;
            break;
    }
    m_position += m_direction;
    Changed();
}

void CKCBusyProgressCtrl::Start() {
    if (m_thread || !GetHwnd()) return;
    m_stop.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_stop) Kestlib::ThrowLastError(L"CreateEvent");
    HANDLE threadStop = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), m_stop.Get(), ::GetCurrentProcess(), &threadStop, 0, FALSE,
                           DUPLICATE_SAME_ACCESS))
        Kestlib::ThrowLastError(L"DuplicateHandle");
    AnimationContext* context = new AnimationContext{GetHwnd(), threadStop, m_interval};
    uintptr_t thread = ::_beginthreadex(nullptr, 0, &CKCBusyProgressCtrl::Animate, context, 0, nullptr);
    if (thread == 0) {
        ::CloseHandle(threadStop);
        delete context;
        Kestlib::ThrowLastError(L"_beginthreadex");
    }
    m_thread.Reset(reinterpret_cast<HANDLE>(thread));
}

void CKCBusyProgressCtrl::Stop() {
    if (!m_thread) return;
    ::SetEvent(m_stop.Get());
    // The thread only waits and posts, so it ends at once; it owns what it
    // uses, so a late end harms nothing.
    ::WaitForSingleObject(m_thread.Get(), 2 * m_interval);
    m_thread.Reset();
    m_stop.Reset();
}

unsigned __stdcall CKCBusyProgressCtrl::Animate(void* parameter) {
    AnimationContext* context = static_cast<AnimationContext*>(parameter);
    while (::WaitForSingleObject(context->stop, context->interval) == WAIT_TIMEOUT)
        ::PostMessageW(context->window, BPM_STEPIT, 0, 0);
    ::CloseHandle(context->stop);
    delete context;
    return 0;
}

void CKCBusyProgressCtrl::Changed() {
    if (GetHwnd()) ::InvalidateRect(GetHwnd(), nullptr, FALSE);
}

void CKCBusyProgressCtrl::Paint() {
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(GetHwnd(), &paint);
    RECT client = {};
    ::GetClientRect(GetHwnd(), &client);
    const SIZE size = {client.right, client.bottom};
    if (size.cx > 0 && size.cy > 0) {
        if (!m_buffer || size.cx != m_bufferSize.cx || size.cy != m_bufferSize.cy) {
            if (m_buffer) ::DeleteObject(m_buffer);
            m_buffer = ::CreateCompatibleBitmap(dc, size.cx, size.cy);
            m_bufferSize = size;
        }
        HDC memory = ::CreateCompatibleDC(dc);
        if (memory && m_buffer) {
            HGDIOBJ old = ::SelectObject(memory, m_buffer);
            Draw(memory, client);
            ::BitBlt(dc, 0, 0, size.cx, size.cy, memory, 0, 0, SRCCOPY);
            ::SelectObject(memory, old);
        }
        if (memory) ::DeleteDC(memory);
    }
    ::EndPaint(GetHwnd(), &paint);
}

LRESULT CKCBusyProgressCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case BPM_SETNUMSTEPS:
            m_blocks = static_cast<int>(wParam);
            Recalculate();
            break;
        case BPM_SETCURRENTSTEP: m_position = static_cast<int>(wParam); break;
        case BPM_SETGAP:
            m_gap = static_cast<int>(wParam);
            Recalculate();
            break;
        case BPM_SETSPEED: m_interval = static_cast<DWORD>(wParam); break;
        case BPM_SETRANGE:
            m_low = static_cast<int>(wParam);
            m_high = static_cast<int>(lParam);
            break;
        case BPM_SETMODE: m_mode = static_cast<int>(wParam); break;
        case BPM_STARTBUSY: Start(); return 0;
        case BPM_ENDBUSY: Stop(); return 0;
        case BPM_STEPIT: Step(); return 0;
        case BPM_SETBUSYTYPE: m_style = static_cast<int>(wParam); break;
        case BPM_SETBUSYFILL:
            m_kind = static_cast<int>(wParam);
            if (m_kind == BusyKindSeries) m_seriesTotal = m_seriesLength * m_blocks;
            break;
        case BPM_SETGRANULARITY: m_seriesLength = static_cast<int>(wParam); break;
        case BPM_SETCOLBKG: m_background = static_cast<COLORREF>(wParam); break;
        case BPM_SETCOLBLOCKFACE: m_fill = static_cast<COLORREF>(wParam); break;
        case BPM_SETCOLBLOCKEDGE: m_outline = static_cast<COLORREF>(wParam); break;
        case BPM_SETCOLBLOCKFACEHI: m_litFill = static_cast<COLORREF>(wParam); break;
        case BPM_SETCOLBLOCKEDGEHI: m_litOutline = static_cast<COLORREF>(wParam); break;
        case BPM_RECALC: Recalculate(); break;
        case BPM_RESET:
            m_position = 0;
            m_direction = 1;
            break;
        case BPM_USESYSCOL:
            m_followSystem = wParam != 0;
            if (m_followSystem) m_background = ::GetSysColor(COLOR_BTNFACE);
            break;
        case WM_SYSCOLORCHANGE:
            if (m_followSystem) m_background = ::GetSysColor(COLOR_BTNFACE);
            Changed();
            return Default(message, wParam, lParam);
        case WM_SIZE:
            Recalculate();
            if (m_buffer) ::DeleteObject(m_buffer);
            m_buffer = nullptr;
            return Default(message, wParam, lParam);
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: Paint(); return 0;
        case WM_DESTROY:
            Stop();
            return Default(message, wParam, lParam);
        default: return Default(message, wParam, lParam);
    }
    Changed();
    return 0;
}
