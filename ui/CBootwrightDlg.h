#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "components/IExecuteCallback.h"
#include "config/Configuration.h"
#include "lib/Handles.h"
#include "sequence/RestartPolicy.h"
#include "ui/CComponentsList.h"
#include "ui/CHyperlinkStatic.h"
#include "ui/DialogBase.h"

class InstallComponentDlg;
class InstallConfiguration;

// The main window of a run: one install configuration's components with their
// installed state, and the sequence behind its buttons. One object serves
// every configuration of the run; the return code carries over from one to
// the next until Install is pressed again, while a restart asked for, or one
// left to the caller, belongs to the configuration shown. The decisions about
// restarts and packages are the sequence's (sequence/); the window shows them.
class CBootwrightDlg : public DialogBase, public IExecuteCallback {
public:
    // The modal result when the dialog ended for a reboot.
    static const INT_PTR RebootResult = 3010;

    CBootwrightDlg();
    ~CBootwrightDlg() override;

    // Shows configuration modally. IDOK lets the next configuration run; any
    // other result (Cancel, a reboot) ends the run.
    INT_PTR Run(const ConfigurationPtr& configuration, unsigned long lcid, bool moreConfigurations);

    int GetReturnCode() const { return m_returnCode; }
    bool IsRebootRequested() const { return m_restarts.IsRestartRequested(); }
    // A component of this configuration asked for a restart that /norestart left to the caller.
    bool IsRestartSuppressed() const { return m_restarts.IsRestartLeftToCaller(); }
    // The configuration's position in the run's list, from 1, which names it
    // in the count of restarts in a row.
    void SetConfigurationNumber(int number) { m_configurationNumber = number; }

    // IExecuteCallback
    bool OnDownload(const ComponentPtr& component) override;
    bool OnWaitForComplete(const ComponentPtr& component) override;
    bool OnComplete(const ComponentPtr& component) override;
    bool OnError(const ComponentPtr& component, const std::exception& error) override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    // Enter without an enabled default button must not end the dialog.
    void OnOK() override {}
    void OnCancel() override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnScaleChanged() override;
    const CComponentsList& GetComponentsList() const { return m_list; }

private:
    // Starts an automatic installation at the full level once the window shows.
    static const UINT AutoStartMessage = WM_APP + 1;

    // Window set-up, in CBootwrightDlg.cpp.
    void SetUpWindow();
    void PositionControls();
    void PositionChildren();
    void SetUpLink();
    void SetUpBanner();
    // The banner at the window's scale, filling its place.
    void ShowBanner();
    void MeasureList();
    void FocusDefault();
    void PaintMinimised();
    void OnDestroy();

    // The sequence, in MainDialogSequence.cpp.
    void Initialise();
    bool ShouldAutoStart() const;
    void Install();
    void InstallSteps();
    void ExtractPayload();
    void AutoStart();
    // Registers the resume and restarts, unless the component asked too
    // often in a row already.
    void Restart(const InstallConfiguration& configuration);
    // Logs and shows the reason the installation failed, and ends the dialog with result.
    void Fail(const std::wstring& text, INT_PTR result);
    void Skip();
    // Ends the modal loop; remembered, so that a window ended while it is set
    // up is never given the focus (which would activate it).
    void End(INT_PTR result);
    // The configuration being shown; "Invalid configuration" without one.
    const InstallConfiguration& Current() const;

    int m_returnCode = 0;
    // What the configuration shown does with restarts its components ask for.
    RestartPolicy m_restarts;
    int m_configurationNumber = 1;
    // The user cancelled the download of the component running.
    bool m_downloadCancelled = false;
    bool m_moreConfigurations = false;
    bool m_installing = false;
    bool m_ended = false;
    unsigned long m_lcid = 0;
    ConfigurationPtr m_holder;
    InstallConfiguration* m_configuration = nullptr;
    CComponentsList m_list;
    CHyperlinkStatic m_link;
    // The banner as loaded, and the copy scaled for the window when it needs one.
    Kestlib::BitmapHandle m_banner;
    Kestlib::BitmapHandle m_scaledBanner;
    std::unique_ptr<InstallComponentDlg> m_progressDialog;
};
