#include "ui/CDownloadDialog.h"

#include <commctrl.h>

#include <memory>

#include "base/InstallUILevel.h"
#include "base/InstallerLog.h"
#include "base/TimedMessageBox.h"
#include "lib/SystemError.h"
#include "ui/resource.h"

namespace {
const UINT_PTR kPollTimer = 1;
const UINT kPollInterval = 1000;
const int kProgressRange = 1000;
}  // namespace

CDownloadDialog::CDownloadDialog(const DownloadDialogPtr& list) : DialogBase(IDD_DOWNLOAD_DIALOG), m_list(list) {
    if (!m_list) Kestlib::ThrowError(L"Invalid configuration");
    m_caption = m_list->dialog_caption;
    m_message = m_list->dialog_message;
    m_downloading = m_list->dialog_message_downloading;
    m_connecting = m_list->dialog_message_connecting;
    m_sendingRequest = m_list->dialog_message_sendingrequest;
    m_startCaption = m_list->buttonstart_caption;
    m_cancelCaption = m_list->buttoncancel_caption;
    m_autoStart = m_list->autostartdownload;
    LOG(L"Opening download dialog '" << m_caption << L"'");
}

CDownloadDialog::~CDownloadDialog() {
    // The worker may still be between its last report and its end: it must
    // not call back into a window object that is gone. A window that ends
    // while the list runs (a failure, a close) cancels it first, or the join
    // would wait for the whole transfer.
    if (m_list->GetCallback() == this) {
        m_cancelled = true;
        try {
            m_list->Join();
        } catch (...) {
        }
        m_list->SetCallback(nullptr);
    }
}

bool CDownloadDialog::DoModal(HWND owner) {
    DialogBase::DoModal(owner);
    return m_completed;
}

bool CDownloadDialog::OnInitDialog() {
    SetProgramIcon();
    SetItemText(IDC_DOWNLOAD_MESSAGE, m_message);
    SetTitle(m_caption);
    SetItemText(IDC_DOWNLOAD_CANCEL, m_cancelCaption);
    SetItemText(IDC_DOWNLOAD_START, m_startCaption);
    ::SendMessageW(Item(IDC_DOWNLOAD_PROGRESS), PBM_SETRANGE32, 0, kProgressRange);
    SetItemText(IDC_DOWNLOAD_STATUS, std::wstring());
    CenterWindow();
    // The list's end is also noticed by polling: a cancellation between two
    // files ends the job without any notification.
    m_timer = ::SetTimer(GetHwnd(), kPollTimer, kPollInterval, nullptr);
    if (!m_timer) Kestlib::ThrowLastError(L"SetTimer");
    const int level = InstallUILevel::Instance().GetUILevel();
    if (level == UiLevelBasic || level == UiLevelSilent) {
        ShowItem(IDC_DOWNLOAD_START, false);
        StartList();
    } else if (m_autoStart || !m_list->AnyDownloadRequired()) {
        StartList();
    }
    return true;
}

void CDownloadDialog::StartList() {
    SetItemText(IDC_DOWNLOAD_MESSAGE, m_downloading);
    m_list->SetCallback(this);
    m_list->Start();
    m_started = true;
    EnableItem(IDC_DOWNLOAD_START, false);
}

bool CDownloadDialog::OnCommand(WORD id, WORD code, HWND /*control*/) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_DOWNLOAD_START:
            if (!m_started) StartList();
            return true;
        case IDC_DOWNLOAD_CANCEL:
        case IDCANCEL:
            DownloadCancel();
            return true;
        case IDOK:
            Close();
            return true;
        default:
            return false;
    }
}

void CDownloadDialog::OnTimer(UINT_PTR /*id*/) {
    // A message box of an error report runs its own loop, which delivers
    // this timer too; the report closes the window itself.
    if (m_handling || !m_started || m_list->IsExecuting()) return;
    // The job has ended, so everything it reported is queued by now; its
    // last record (completed, or an error) may still be among them and must
    // decide the outcome, not be dropped with the window.
    HandleQueued();
    Close();
}

void CDownloadDialog::HandleQueued() {
    MSG queued;
    while (::PeekMessageW(&queued, GetHwnd(), DownloadNotifyMessage, DownloadNotifyMessage, PM_REMOVE)) {
        std::unique_ptr<DownloadNotification> notification(reinterpret_cast<DownloadNotification*>(queued.wParam));
        if (notification) Handle(*notification);
    }
}

INT_PTR CDownloadDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_WINDOWPOSCHANGING:
            // A silent run shows no window: the modal loop would show this
            // one once its queue is first empty.
            if (InstallUILevel::Instance().GetUILevel() == UiLevelSilent)
                reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            return 0;
        case DownloadNotifyMessage: {
            handled = true;
            std::unique_ptr<DownloadNotification> notification(reinterpret_cast<DownloadNotification*>(wParam));
            if (notification) Handle(*notification);
            return 0;
        }
        case DownloadEndMessage:
            handled = true;
            OnEnd();
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != SC_CLOSE) return 0;
            handled = true;
            DownloadCancel();
            return 0;
        case WM_CLOSE:
            handled = true;
            // A close request while the list runs is a cancellation; waiting
            // here would block the window for the whole transfer.
            if (m_list->IsExecuting()) {
                m_cancelled = true;
                DownloadCancel();
                return 0;
            }
            m_list->WaitAndRethrow();
            return 0;
        case WM_DESTROY: {
            // Records still queued would be lost with the window: free them.
            MSG queued;
            while (::PeekMessageW(&queued, GetHwnd(), DownloadNotifyMessage, DownloadNotifyMessage, PM_REMOVE))
                delete reinterpret_cast<DownloadNotification*>(queued.wParam);
            return 0;
        }
        default:
            return 0;
    }
}

void CDownloadDialog::Handle(const DownloadNotification& notification) {
    switch (notification.kind) {
        case DownloadNotification::Status: {
            const double share = notification.maximum == 0 ? 0.0
                                                           : static_cast<double>(notification.progress) /
                                                                 static_cast<double>(notification.maximum);
            const int position = static_cast<int>((share > 1.0 ? 1.0 : share) * kProgressRange);
            ::SendMessageW(Item(IDC_DOWNLOAD_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position), 0);
            SetItemText(IDC_DOWNLOAD_STATUS, notification.status);
            break;
        }
        case DownloadNotification::Completed:
            LOG(L"--- Download OK");
            m_completed = true;
            ::PostMessageW(GetHwnd(), DownloadEndMessage, 0, 0);
            break;
        case DownloadNotification::Cancelled:
            LOG(L"*** Download CANCELED");
            m_cancelled = true;
            break;
        case DownloadNotification::Error:
            if (!m_cancelled) {
                LOG(L"*** Download ERROR: " << notification.error);
                m_handling = true;
                try {
                    ShowTimedMessageBox(notification.error, MB_ICONERROR, 0);
                } catch (...) {
                    m_handling = false;
                    throw;
                }
                m_handling = false;
                m_failed = true;
            }
            ::PostMessageW(GetHwnd(), DownloadEndMessage, 0, 0);
            break;
        default:
            break;
    }
}

void CDownloadDialog::OnEnd() {
    if (m_started && !m_cancelled && !m_completed && !m_failed) {
        DownloadCancel();
        return;
    }
    Close();
}

void CDownloadDialog::Close() {
    if (m_closed) return;
    m_closed = true;
    LOG(L"Closing download dialog '" << m_caption << L"'");
    if (m_timer) ::KillTimer(GetHwnd(), m_timer);
    m_timer = 0;
    EndDialog(IDOK);
}

void CDownloadDialog::Post(DownloadNotification* notification) {
    std::unique_ptr<DownloadNotification> owned(notification);
    HWND window = GetHwnd();
    if (window && ::PostMessageW(window, DownloadNotifyMessage, reinterpret_cast<WPARAM>(owned.get()), 0))
        owned.release();
}

void CDownloadDialog::Connecting() {
    DownloadNotification* notification = new DownloadNotification;
    notification->status = m_connecting;
    Post(notification);
}

void CDownloadDialog::SendingRequest() {
    DownloadNotification* notification = new DownloadNotification;
    notification->status = m_sendingRequest;
    Post(notification);
}

void CDownloadDialog::Status(std::uint64_t progress, std::uint64_t maximum, const std::wstring& text) {
    if (text == m_lastStatus) return;
    m_lastStatus = text;
    DownloadNotification* notification = new DownloadNotification;
    notification->progress = progress;
    notification->maximum = maximum;
    notification->status = text;
    Post(notification);
}

void CDownloadDialog::DownloadComplete() {
    DownloadNotification* notification = new DownloadNotification;
    notification->kind = DownloadNotification::Completed;
    Post(notification);
}

void CDownloadDialog::DownloadError(const std::wstring& text) {
    DownloadNotification* notification = new DownloadNotification;
    notification->kind = DownloadNotification::Error;
    notification->error = text;
    Post(notification);
}

void CDownloadDialog::DownloadCancel() {
    DownloadNotification* notification = new DownloadNotification;
    notification->kind = DownloadNotification::Cancelled;
    Post(notification);
    if (!m_started) ::PostMessageW(GetHwnd(), DownloadEndMessage, 0, 0);
}
