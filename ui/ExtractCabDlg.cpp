#include "ui/ExtractCabDlg.h"

#include <exception>

#include "base/InstallerLog.h"
#include "config/InstallConfiguration.h"
#include "lib/DocumentText.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/ExtractCabProcessor.h"
#include "ui/resource.h"

namespace {
const UINT_PTR kPollTimer = 1;
const UINT kPollInterval = 1000;
}  // namespace

std::wstring WithoutMnemonics(const std::wstring& text) { return Kestlib::ReplaceAll(text, L"&", L"&&"); }

ExtractCabDlg::ExtractCabDlg(const InstallConfiguration* configuration, ExtractCabProcessor* job)
    : DialogBase(IDD_PROGRESS_DIALOG), m_configuration(configuration), m_job(job) {}

bool ExtractCabDlg::OnInitDialog() {
    m_busy.Attach(Item(IDC_PROGRESS_BUSY));
    m_busy.SetUpForProgressWindow(16);
    ShowItem(IDC_PROGRESS_BUSY, false);
    if (!m_configuration) Kestlib::ThrowError(L"Invalid configuration");
    const std::wstring& caption = m_configuration->cab_dialog_caption;
    SetTitle(caption);
    SetItemText(IDC_PROGRESS_HEADLINE,
                Kestlib::FillDocumentText(m_configuration->installing_component_wait, WithoutMnemonics(caption)));
    SetItemText(IDC_PROGRESS_STATUS, Kestlib::FillDocumentText(m_configuration->cab_dialog_message, caption));
    m_timer = ::SetTimer(GetHwnd(), kPollTimer, kPollInterval, nullptr);
    if (!m_timer) Kestlib::ThrowLastError(L"SetTimer");
    if (m_job) m_job->AttachWindow(GetHwnd());
    CenterWindow();
    return true;
}

void ExtractCabDlg::OnStatusText(const std::wstring& text) {
    if (!m_configuration) Kestlib::ThrowError(L"Invalid configuration");
    SetItemText(IDC_PROGRESS_STATUS, Kestlib::FillDocumentText(m_configuration->cab_dialog_message, text));
}

void ExtractCabDlg::OnTimer(UINT_PTR /*id*/) {
    try {
        CheckJob();
    } catch (const std::exception& error) {
        LOG(L"The following error was caught in ExtractCabDlg::OnTimer(): " << Kestlib::AnsiToWide(error.what()));
    } catch (...) {
        LOG(L"An unknown error was caught in ExtractCabDlg::OnTimer()");
    }
}

void ExtractCabDlg::CheckJob() {
    if (!m_job || m_job->IsExecuting() || !m_timer) return;
    ::SendMessageW(m_busy.GetHwnd(), BPM_ENDBUSY, 0, 0);
    ::KillTimer(GetHwnd(), m_timer);
    m_timer = 0;
    EndDialog(IDOK);
}

INT_PTR ExtractCabDlg::OnMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/, bool& handled) {
    if (message == ExtractStatusMessage) {
        handled = true;
        // Taken first: the text is freed even when showing it fails.
        OnStatusText(ExtractCabProcessor::TakeStatusText(wParam));
    } else if (message == WM_DESTROY) {
        // Texts posted after this are dropped by the job, not leaked.
        if (m_job) m_job->AttachWindow(nullptr);
        ::SendMessageW(m_busy.GetHwnd(), BPM_ENDBUSY, 0, 0);
    }
    return 0;
}
