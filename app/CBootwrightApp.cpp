#include "app/CBootwrightApp.h"

#include <windows.h>
#include <commctrl.h>

#include "app/ConfigFileManager.h"
#include "app/LogHeader.h"
#include "app/ResultFile.h"
#include "app/RunResult.h"
#include "app/StartupErrors.h"
#include "app/UsageText.h"
#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLauncher.h"
#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/TimedMessageBox.h"
#include "config/InstallConfiguration.h"
#include "lib/FileOps.h"
#include "lib/StringUtils.h"
#include "lib/TextConversion.h"
#include "payload/CabinetResources.h"
#include "payload/ExtractCabProcessor.h"
#include "payload/HeldDownloads.h"
#include "sequence/RebootRunKey.h"
#include "sequence/RunReport.h"
#include "ui/ExtractCabDlg.h"

namespace {

// The five process-wide objects: made in this order, released in reverse;
// the downloads held to the end of the run go before the log closes.
class ProcessObjects {
public:
    ProcessObjects() {
        InstallerCommandLineInfo::Instance();
        InstallerLauncher::Instance();
        InstallerLog::Instance();
        InstallerSession::Instance();
        InstallUILevel::Instance();
    }
    ~ProcessObjects() {
        HeldDownloads::Release();
        InstallUILevel::Release();
        InstallerSession::Release();
        InstallerLog::Release();
        InstallerLauncher::Release();
        InstallerCommandLineInfo::Release();
    }
    ProcessObjects(const ProcessObjects&) = delete;
    ProcessObjects& operator=(const ProcessObjects&) = delete;
};

bool IsSilent() { return InstallUILevel::Instance().GetUILevel() == UiLevelSilent; }

void ShowInformation(const std::wstring& text) { ShowTimedMessageBox(text, MB_OK | MB_ICONINFORMATION, IDOK); }

void DisplayCab() { ShowInformation(Kestlib::JoinStrings(ListContents(::GetModuleHandleW(nullptr)), L"\r\n")); }

// The payload into "SupportFiles" under the current folder, with the
// extraction window unless the level is silent. Without a payload nothing is
// written, and an old SETUP_1.CAB there is none of this program's business.
void ExtractCab() {
    if (CountSegments(::GetModuleHandleW(nullptr)) == 0) return;
    InstallConfiguration texts;
    texts.cab_dialog_caption = L"ExtractCab";
    texts.cab_dialog_message = L"%s";
    // The window finds the job; the job reaches the window through its handle.
    JoinedJob<ExtractCabProcessor> job(::GetModuleHandleW(nullptr));
    ExtractCabDlg window(&texts, &job);
    job.cab_path = Kestlib::PathCombine(Kestlib::GetCurrentDirectory(), L"SupportFiles");
    job.Start();
    if (!IsSilent()) window.DoModal();
    job.WaitAndRethrow();
}

void DisplayConfig() {
    ConfigFileManager manager;
    manager.LoadConfigurations();
    ShowInformation(manager.ToString());
}

}  // namespace

int CBootwrightApp::Run(const ArgumentSource& arguments) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    ProcessObjects objects;
    // Reading the command line is a step like any other. Whatever escaped,
    // even with a return code that still reads 0, the run did not succeed.
    if (!RunStartupSteps([&] { Start(arguments()); })) m_returnCode = -1;
    Shutdown();
    return m_returnCode;
}

void CBootwrightApp::Start(const std::vector<std::wstring>& arguments) {
    InstallerCommandLineInfo::Instance().Parse(arguments);
    WriteLogHeader();
    // Past the single-instance guard: a resumed run never starts again
    // at the next logon, even when it fails before its main dialog.
    RemoveRebootRunKeyIfResumed();
    InstallerSession::Instance().componentArgs = InstallerCommandLineInfo::Instance().componentArgs;
    if (InstallerCommandLineInfo::Instance().help) {
        ShowInformation(UsageText());
        return;
    }
    RunMode();
}

void CBootwrightApp::RunMode() {
    const InstallerCommandLineInfo& options = InstallerCommandLineInfo::Instance();
    ConfigFileManager manager;
    manager.LoadConfigurations();
    if (options.displayCab)
        DisplayCab();
    else if (options.extractCab)
        ExtractCab();
    else if (options.displayConfig)
        DisplayConfig();
    else
        m_returnCode = manager.RunConfigurations();
}

void CBootwrightApp::Shutdown() {
    WriteResult();
    RunReport::Release();
    if (m_returnCode != -1)
        InstallerLog::Instance().TryWrite(L"Bootwright finished, return code=" + std::to_wstring(m_returnCode));
}

void CBootwrightApp::WriteResult() {
    const std::wstring& path = InstallerCommandLineInfo::Instance().resultFile;
    if (path.empty()) return;
    try {
        WriteResultFile(path, ResultFileText(m_returnCode, RunReport::Instance()));
    } catch (const std::exception& error) {
        // The caller asked for the file and will not find it: the run did not succeed.
        InstallerLog::Instance().TryWrite(L"*** Failed to write the result file: " +
                                          Kestlib::AnsiToWide(error.what()));
        if (m_returnCode == 0 || m_returnCode == RunResult::RestartRequired) m_returnCode = -1;
    }
}
