#pragma once

#include <windows.h>

#include <string>

#include "config/ConfigFiles.h"
#include "ui/CBootwrightDlg.h"

// The run's configuration manager: finds the primary document (the command
// line's file, the embedded one, or the one beside the executable), asks the
// user where a document needs an answer, and runs the flat list of install
// configurations through the main dialog it owns.
class ConfigFileManager : public ConfigFiles {
public:
    // Runs the loaded configurations one after the other while each ends with
    // IDOK; returns the run's exit code (RunResult).
    int RunConfigurations();

protected:
    bool LoadPrimaryDocument() override;
    bool ConfirmVersionMismatch(const std::wstring& version, const std::wstring& filename) override;
    void DownloadReferenceConfiguration(const ReferenceConfiguration& reference) override;
    INT_PTR RunConfiguration(const ConfigurationPtr& configuration, unsigned long lcid,
                             bool moreConfigurations) override;
    bool SelectLanguage() override;
    // Displaying the configuration shows the whole primary document, as written.
    ConfigurationList ExpandReferences(unsigned long lcid, const ConfigurationList& list, int level) override;
    // Only when the command line asked to display the configuration.
    bool ListsWholeDocument() const override;

private:
    // The language the components are filtered with: the one chosen in the
    // selector, else the one the primary document's lcid_type names, so that
    // configurations and their components are chosen alike.
    unsigned long ComponentLcid() const;

    // The effective UI level before a configuration ran, restored after it.
    int m_savedUILevel = 0;
    CBootwrightDlg m_dialog;
};
