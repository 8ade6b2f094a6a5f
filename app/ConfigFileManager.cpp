#include "app/ConfigFileManager.h"

#include "app/RunResult.h"
#include "base/InstallUILevel.h"
#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/TimedMessageBox.h"
#include "config/ReferenceConfiguration.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "ui/CDownloadDialog.h"
#include "ui/CLanguageSelectorDialog.h"

// A named file that is not there is an error of its own: the embedded
// document must not stand in for the one the user asked for.
bool ConfigFileManager::LoadPrimaryDocument() {
    const std::wstring& named = InstallerCommandLineInfo::Instance().configFile;
    if (!named.empty()) {
        if (!Kestlib::FileExists(named)) Kestlib::ThrowError(L"Missing '" + named + L"'");
        m_primary.LoadFile(named);
        return true;
    }
    HMODULE module = ::GetModuleHandleW(nullptr);
    if (!::FindResourceW(module, ConfigurationResourceName, ConfigurationResourceType)) return false;
    m_primary.LoadResource(ConfigurationResourceType, module, ConfigurationResourceName);
    return true;
}

bool ConfigFileManager::ConfirmVersionMismatch(const std::wstring& version, const std::wstring& filename) {
    const std::wstring text = Kestlib::FormatText(
        L"Configuration %s version %s does not match bootstrapper version.\r\n"
        L"Open and re-save configuration.xml with editor version %s.\r\n"
        L"Continue with installation?",
        filename.c_str(), version.c_str(), BootstrapperVersion);
    return ShowTimedMessageBox(text, MB_YESNO | MB_ICONQUESTION, IDYES) == IDYES;
}

void ConfigFileManager::DownloadReferenceConfiguration(const ReferenceConfiguration& reference) {
    LOG(L"Downloading reference configuration to '" << reference.filename << L"'");
    if (!reference.downloaddialog) return;
    CDownloadDialog dialog(reference.downloaddialog);
    dialog.DoModal(m_dialog.GetHwnd());
}

INT_PTR ConfigFileManager::RunConfiguration(const ConfigurationPtr& configuration, unsigned long lcid,
                                            bool moreConfigurations) {
    return m_dialog.Run(configuration, lcid, moreConfigurations);
}

// The document's ui_level is not applied yet: only a level given on the
// command line keeps the selector away.
bool ConfigFileManager::SelectLanguage() {
    if (InstallerCommandLineInfo::Instance().displayConfig) return false;
    if (!m_primary.show_language_selector) return false;
    const int level = InstallUILevel::Instance().GetUILevel();
    if (level == UiLevelBasic || level == UiLevelSilent) return false;
    CLanguageSelectorDialog dialog(m_primary);
    const INT_PTR result = dialog.DoModal();
    if (result == IDCANCEL) Kestlib::ThrowError(L"Language selection cancelled by user");
    return result == IDOK;
}

ConfigurationList ConfigFileManager::ExpandReferences(unsigned long lcid, const ConfigurationList& list,
                                                      int level) {
    if (ListsWholeDocument()) return m_primary.configurations;
    return ConfigFiles::ExpandReferences(lcid, list, level);
}

bool ConfigFileManager::ListsWholeDocument() const { return InstallerCommandLineInfo::Instance().displayConfig; }

unsigned long ConfigFileManager::ComponentLcid() const {
    const unsigned long chosen = InstallerSession::Instance().languageId;
    return chosen != 0 ? chosen : GetLcid(m_primary.lcid_type);
}

int ConfigFileManager::RunConfigurations() {
    InstallerLog& log = InstallerLog::Instance();
    if (log.GetPath().empty()) log.SetPath(m_primary.log_file);
    InstallUILevel& uiLevel = InstallUILevel::Instance();
    uiLevel.SetConfigUILevel(m_primary.ui_level);
    const unsigned long lcid = ComponentLcid();
    RunResult outcome;
    for (size_t index = 0; index < configurations.size(); ++index) {
        const ConfigurationPtr& configuration = configurations[index];
        if (configuration->type != ConfigurationTypeInstall)
            Kestlib::ThrowError(L"Unexpected configuration type " +
                                std::to_wstring(static_cast<int>(configuration->type)));
        m_savedUILevel = uiLevel.GetUILevel();
        m_dialog.SetConfigurationNumber(static_cast<int>(index + 1));
        const INT_PTR result = RunConfiguration(configuration, lcid, index + 1 < configurations.size());
        uiLevel.SetConfigUILevel(m_savedUILevel);
        outcome.Add(m_dialog.GetReturnCode(), m_dialog.IsRestartSuppressed());
        if (result != IDOK) break;
    }
    return outcome.ExitCode();
}
