#pragma once

#include <string>

#include "ui/CKCBusyProgressCtrl.h"
#include "ui/DialogBase.h"

class Component;
class InstallConfiguration;

// Makes the wait for a running component modal and ends it when the
// component's process has ended. The window itself stays hidden.
class InstallComponentDlg : public DialogBase {
public:
    // Neither is owned; both must outlive the modal run.
    InstallComponentDlg(const InstallConfiguration* configuration, const Component* component);

    // A status text for the window, from any thread: posted as a heap text
    // the window frees. Dropped while there is no window.
    void PostStatusText(const std::wstring& text) const;

protected:
    bool OnInitDialog() override;
    void OnTimer(UINT_PTR id) override;
    void OnOK() override {}
    void OnCancel() override {}
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void CheckComponent();
    void Hide() const;

    const InstallConfiguration* m_configuration;
    const Component* m_component;
    UINT_PTR m_timer = 0;
    CKCBusyProgressCtrl m_busy;
};
