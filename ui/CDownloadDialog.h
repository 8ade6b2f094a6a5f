#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "payload/DownloadDialog.h"
#include "payload/IDownloadCallback.h"
#include "ui/DialogBase.h"

// What the list's worker reports to the window: posted as a heap object with
// DownloadNotifyMessage, freed by the window.
struct DownloadNotification {
    enum Kind : int { Error = 0, Status = 1, Completed = 2, Cancelled = 3 };
    int kind = Status;
    std::uint64_t progress = 0;
    std::uint64_t maximum = 0;
    std::wstring status;
    std::wstring error;
};

// Private messages of dialogs come from the WM_APP range: the WM_USER range
// is the dialog manager's own (DM_SETDEFID is WM_USER + 1).
const UINT DownloadNotifyMessage = WM_APP + 1;
// The run has ended, or the window should close.
const UINT DownloadEndMessage = WM_APP + 2;

// The window of a download list: starts the list (at once, or when the user
// presses start), shows its progress and closes when it has ended.
class CDownloadDialog : public DialogBase, public IDownloadCallback {
public:
    explicit CDownloadDialog(const DownloadDialogPtr& list);
    ~CDownloadDialog() override;

    // True when the whole list completed.
    bool DoModal(HWND owner = nullptr);

    // IDownloadCallback
    void Connecting() override;
    void SendingRequest() override;
    void Status(std::uint64_t progress, std::uint64_t maximum, const std::wstring& text) override;
    void DownloadComplete() override;
    void DownloadError(const std::wstring& text) override;
    bool IsDownloadCancelled() const override { return m_cancelled; }
    void DownloadCancel() override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    void OnTimer(UINT_PTR id) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void StartList();
    void Post(DownloadNotification* notification);
    void Handle(const DownloadNotification& notification);
    // Handles the records still waiting in the window's queue.
    void HandleQueued();
    void OnEnd();
    void Close();

    std::wstring m_lastStatus;
    std::wstring m_caption;
    std::wstring m_message;
    std::wstring m_downloading;
    std::wstring m_connecting;
    std::wstring m_sendingRequest;
    std::wstring m_startCaption;
    std::wstring m_cancelCaption;
    DownloadDialogPtr m_list;
    bool m_autoStart = false;
    std::atomic<bool> m_cancelled{false};
    bool m_failed = false;
    bool m_completed = false;
    bool m_started = false;
    bool m_closed = false;
    bool m_handling = false;
    UINT_PTR m_timer = 0;
};
