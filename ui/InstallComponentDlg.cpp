#include "ui/InstallComponentDlg.h"

#include <exception>
#include <memory>

#include "base/InstallerLog.h"
#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "lib/DocumentText.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "ui/ExtractCabDlg.h"
#include "ui/resource.h"

namespace {
// From the WM_APP range: WM_USER + 1 is the dialog manager's DM_SETDEFID.
const UINT kStatusTextMessage = WM_APP + 1;
const UINT_PTR kPollTimer = 1;
const UINT kPollInterval = 1000;
}  // namespace

InstallComponentDlg::InstallComponentDlg(const InstallConfiguration* configuration, const Component* component)
    : DialogBase(IDD_PROGRESS_DIALOG), m_configuration(configuration), m_component(component) {}

void InstallComponentDlg::PostStatusText(const std::wstring& text) const {
    HWND window = GetHwnd();
    if (!window) return;
    std::unique_ptr<std::wstring> copy(new std::wstring(text));
    if (::PostMessageW(window, kStatusTextMessage, reinterpret_cast<WPARAM>(copy.get()), 0)) copy.release();
}

void InstallComponentDlg::Hide() const { ::ShowWindow(GetHwnd(), SW_HIDE); }

bool InstallComponentDlg::OnInitDialog() {
    m_busy.Attach(Item(IDC_PROGRESS_BUSY));
    m_busy.SetUpForProgressWindow(0);
    ShowItem(IDC_PROGRESS_BUSY, false);
    Hide();
    SetTitle(m_component ? m_component->description : std::wstring());
    if (!m_configuration) Kestlib::ThrowError(L"Invalid configuration");
    SetItemText(IDC_PROGRESS_HEADLINE,
                Kestlib::FillDocumentText(m_configuration->installing_component_wait,
                                          WithoutMnemonics(m_configuration->cab_dialog_caption)));
    SetItemText(IDC_PROGRESS_STATUS, std::wstring());
    m_timer = ::SetTimer(GetHwnd(), kPollTimer, kPollInterval, nullptr);
    if (!m_timer) Kestlib::ThrowLastError(L"SetTimer");
    Hide();
    return true;
}

void InstallComponentDlg::OnTimer(UINT_PTR /*id*/) {
    try {
        CheckComponent();
    } catch (const std::exception& error) {
        LOG(L"The following error was caught in InstallComponentDlg::OnTimer(): " << Kestlib::AnsiToWide(error.what()));
    } catch (...) {
        LOG(L"An unknown error was caught in InstallComponentDlg::OnTimer()");
    }
}

void InstallComponentDlg::CheckComponent() {
    Hide();
    if (!m_component || m_component->IsExecuting() || !m_timer) return;
    ::SendMessageW(m_busy.GetHwnd(), BPM_ENDBUSY, 0, 0);
    ::KillTimer(GetHwnd(), m_timer);
    m_timer = 0;
    EndDialog(IDOK);
}

INT_PTR InstallComponentDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message == kStatusTextMessage) {
        handled = true;
        std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(wParam));
        SetItemText(IDC_PROGRESS_STATUS, Kestlib::FillDocumentText(m_configuration->installing_component_wait, *text));
        ::SetForegroundWindow(GetHwnd());
    } else if (message == WM_WINDOWPOSCHANGING) {
        // The modal loop shows a dialog once its queue is first empty; this
        // one must not appear even for the second before the timer hides it.
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    } else if (message == WM_DESTROY) {
        ::SendMessageW(m_busy.GetHwnd(), BPM_ENDBUSY, 0, 0);
    }
    return 0;
}
