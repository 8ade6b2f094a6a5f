#pragma once

#include <windows.h>

#include <exception>

#include "components/IExecuteCallback.h"
#include "config/Configuration.h"
#include "ui/DialogBase.h"

class InstallConfiguration;

// The main window of a run: one install configuration's components with their
// installed state, and the sequence behind its buttons. One object serves
// every configuration of the run; the return code carries over from one to
// the next until Install is pressed again.
class CBootwrightDlg : public DialogBase, public IExecuteCallback {
public:
    // The modal result when the dialog ended for a reboot.
    static const INT_PTR RebootResult = 3010;

    CBootwrightDlg();

    // Shows configuration modally. IDOK lets the next configuration run; any
    // other result (Cancel, a reboot) ends the run.
    INT_PTR Run(const ConfigurationPtr& configuration, unsigned long lcid, bool moreConfigurations);

    int GetReturnCode() const { return m_returnCode; }
    bool IsRebootRequested() const { return m_rebootRequested; }

    // IExecuteCallback
    bool OnDownload(const ComponentPtr& component) override;
    bool OnWaitForComplete(const ComponentPtr& component) override;
    bool OnComplete(const ComponentPtr& component) override;
    bool OnError(const ComponentPtr& component, const std::exception& error) override;

private:
    int m_returnCode = 0;
    bool m_rebootRequested = false;
};
