// What happens behind the main window's buttons, when it opens and while the
// components run.
#include <exception>
#include <string>

#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "base/TimedMessageBox.h"
#include "config/InstallConfiguration.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/CabinetResources.h"
#include "payload/ExtractCabProcessor.h"
#include "sequence/CompleteInstallation.h"
#include "sequence/PackageOptions.h"
#include "sequence/RebootRunKey.h"
#include "sequence/RunReport.h"
#include "ui/CBootwrightDlg.h"
#include "ui/CDownloadDialog.h"
#include "ui/ExtractCabDlg.h"
#include "ui/InstallComponentDlg.h"
#include "ui/resource.h"

namespace {

int UILevel() { return InstallUILevel::Instance().GetUILevel(); }

bool IsFullLevel() { return UILevel() == UiLevelFull; }

// The extraction window drives its job; the job knows only the window's
// handle. A window that fails leaves with the job still running: the job
// waits for its thread.
struct Extraction {
    explicit Extraction(const InstallConfiguration* configuration)
        : job(::GetModuleHandleW(nullptr)), dialog(configuration, &job) {}
    JoinedJob<ExtractCabProcessor> job;
    ExtractCabDlg dialog;
};

}  // namespace

void CBootwrightDlg::Initialise() {
    SetProgramIcon();
    RemoveRebootRunKey();
    SetUpWindow();
    const bool allInstalled = m_list.Load(m_configuration, m_lcid);
    const InstallConfiguration& configuration = Current();
    RunReport::Instance().BeginConfiguration(m_configurationNumber, configuration, m_lcid);
    // Shown only once the modal loop idles with the dialog still open.
    ::ShowWindow(GetHwnd(), SW_HIDE);
    if (allInstalled) {
        if (!configuration.auto_close_if_installed && IsFullLevel()) return;
        if (!configuration.complete_command.empty() || !configuration.complete_command_basic.empty() ||
            !configuration.complete_command_silent.empty())
            ExtractPayload();
        CompleteInstallation(m_configuration, true);
        End(IDOK);
        return;
    }
    if (!ShouldAutoStart()) return;
    EnableItem(IDC_INSTALL, false);
    EnableItem(IDCANCEL, false);
    EnableItem(IDC_OTHERINFO_LINK, false);
    // At the full level the user sees the window, with its buttons disabled,
    // while the installation runs; at the other levels it never appears.
    if (IsFullLevel())
        ::PostMessageW(GetHwnd(), AutoStartMessage, 0, 0);
    else
        Install();
}

bool CBootwrightDlg::ShouldAutoStart() const {
    const InstallConfiguration& configuration = Current();
    bool result = false;
    if (!IsFullLevel()) {
        result = true;
        LOG(L"Silent mode: automatically starting install");
    }
    if (InstallerCommandLineInfo::Instance().reboot) {
        if (configuration.auto_continue_on_reboot) {
            result = true;
            LOG(L"Reboot defines auto-start: automatically starting install");
        }
    } else if (configuration.auto_start) {
        result = true;
        LOG(L"Configuration defines auto-start: automatically starting install");
    }
    return result;
}

void CBootwrightDlg::AutoStart() {
    HWND window = GetHwnd();
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    Install();
}

void CBootwrightDlg::Install() {
    // A command that reached the window through a nested modal loop while
    // components run must not start a second run.
    if (m_installing) return;
    m_installing = true;
    // The buttons rest while the components run, and clicks and keys queued
    // meanwhile are dropped, so that none of them acts once the run is over.
    const int buttons[] = {IDC_INSTALL, IDC_SKIP, IDCANCEL};
    bool enabled[3] = {};
    for (int index = 0; index < 3; ++index) {
        enabled[index] = ::IsWindowEnabled(Item(buttons[index])) != FALSE;
        EnableItem(buttons[index], false);
    }
    m_returnCode = 0;
    try {
        InstallSteps();
    } catch (const std::exception& error) {
        Fail(Kestlib::AnsiToWide(error.what()), IDOK);
    } catch (...) {
        LOG(L"*** Failed to install one or more components");
        if (m_returnCode == 0) m_returnCode = -1;
        ShowTimedMessageBox(L"Failed to install one or more components", MB_OK | MB_ICONERROR, IDOK);
        End(IDOK);
    }
    MSG queued;
    while (::PeekMessageW(&queued, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    }
    while (::PeekMessageW(&queued, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    for (int index = 0; index < 3; ++index) EnableItem(buttons[index], enabled[index]);
    m_installing = false;
    FocusDefault();
}

void CBootwrightDlg::InstallSteps() {
    m_list.Save();
    ExtractPayload();
    const InstallConfiguration& configuration = Current();
    const Components components = configuration.GetSupportedComponents(m_lcid);
    const int result = components.Exec(this);
    if (result != 0 && m_returnCode == 0) m_returnCode = result;
    if (m_restarts.IsRestartRequested()) {
        Restart(configuration);
        return;
    }
    if (!IsFullLevel()) {
        End(IDOK);
        return;
    }
    if (result != 0) {
        if (configuration.auto_close_on_error) End(IDOK);
        return;
    }
    if (m_list.Load(m_configuration, m_lcid) || configuration.auto_close_if_installed) {
        CompleteInstallation(m_configuration, false);
        End(IDOK);
    }
}

void CBootwrightDlg::Restart(const InstallConfiguration& configuration) {
    const std::wstring refusal = m_restarts.LoopRefusal();
    if (!refusal.empty()) {
        Fail(refusal, IDABORT);
        return;
    }
    m_restarts.Restart(configuration);
    End(RebootResult);
}

void CBootwrightDlg::Fail(const std::wstring& text, INT_PTR result) {
    LOG(L"*** Failed to install one or more components: " << text);
    if (m_returnCode == 0) m_returnCode = -1;
    ShowTimedMessageBox(text, MB_OK | MB_ICONERROR, IDOK);
    End(result);
}

void CBootwrightDlg::ExtractPayload() {
    const InstallConfiguration& configuration = Current();
    Extraction extraction(m_configuration);
    if (CountSegments(::GetModuleHandleW(nullptr)) == 0) return;
    const bool silent = UILevel() == UiLevelSilent;
    extraction.job.cab_path = configuration.cab_path;
    extraction.job.cab_cancelled_message = configuration.cab_cancelled_message;
    extraction.job.Start();
    if (!silent) extraction.dialog.DoModal(GetHwnd());
    extraction.job.WaitAndRethrow();
}

void CBootwrightDlg::End(INT_PTR result) {
    m_ended = true;
    EndDialog(result);
}

void CBootwrightDlg::Skip() {
    if (m_installing) return;
    End(IDOK);
}

void CBootwrightDlg::OnCancel() {
    if (m_installing) return;
    if (m_returnCode == 0) m_returnCode = -2;
    RunReport::Instance().Cancelled(m_configurationNumber);
    End(IDCANCEL);
}

bool CBootwrightDlg::OnDownload(const ComponentPtr& component) {
    RunReport::Instance().Starting(*component);
    m_downloadCancelled = false;
    if (component->downloaddialog) {
        CDownloadDialog download(component->downloaddialog);
        if (!download.DoModal(GetHwnd())) {
            m_downloadCancelled = download.IsDownloadCancelled();
            LOG(L"*** Component '" << component->description << L": ERROR ON DOWNLOAD");
            Kestlib::ThrowError(L"Error downloading '" + component->description + L"'");
        }
    }
    const InstallConfiguration& configuration = Current();
    PreparePackage(*component, m_configurationNumber, ComponentNumber(configuration, *component));
    m_progressDialog.reset(new InstallComponentDlg(m_configuration, component.get()));
    return true;
}

bool CBootwrightDlg::OnWaitForComplete(const ComponentPtr& component) {
    RunReport::Instance().Started(*component);
    if (component->show_progress_dialog && UILevel() != UiLevelSilent) {
        if (!m_progressDialog) m_progressDialog.reset(new InstallComponentDlg(m_configuration, component.get()));
        m_progressDialog->DoModal(GetHwnd());
    }
    LOG(L"--- Component '" << component->description << L": DIALOG CLOSED");
    return true;
}

bool CBootwrightDlg::OnComplete(const ComponentPtr& component) {
    RunReport::Instance().Succeeded(*component);
    if (!component->installcompletemessage.empty())
        ShowTimedMessageBox(component->installcompletemessage, MB_OK | MB_ICONINFORMATION, IDOK);
    return m_restarts.OnComplete(m_configuration, *component);
}

bool CBootwrightDlg::OnError(const ComponentPtr& component, const std::exception& error) {
    RunReport::Instance().Failed(*component, m_downloadCancelled);
    LOG(L"--- Component '" << component->description << L"' FAILED: " << Kestlib::AnsiToWide(error.what()));
    if (!m_configuration) Kestlib::ThrowError(L"Invalid configuration");
    return true;
}
