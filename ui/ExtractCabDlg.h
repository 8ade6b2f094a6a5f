#pragma once

#include <string>

#include "ui/CKCBusyProgressCtrl.h"
#include "ui/DialogBase.h"

class ExtractCabProcessor;
class InstallConfiguration;

// Shown while the payload is extracted: the configuration's caption and
// message with the name of each segment and file, closed by its own timer
// once the job has ended. The user cannot stop it.
class ExtractCabDlg : public DialogBase {
public:
    // Neither is owned; both must outlive the modal run.
    ExtractCabDlg(const InstallConfiguration* configuration, ExtractCabProcessor* job);

protected:
    bool OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override {}
    void OnCancel() override {}
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void OnStatusText(const std::wstring& text);
    void CheckJob();

    const InstallConfiguration* m_configuration;
    ExtractCabProcessor* m_job;
    UINT_PTR m_timer = 0;
    CKCBusyProgressCtrl m_busy;
};

// The text shown inside a static: "&" would otherwise underline the next letter.
std::wstring WithoutMnemonics(const std::wstring& text);
