#pragma once

#include <windows.h>

#include <string>

#include "config/ConfigFile.h"
#include "config/Configurations.h"

class ReferenceConfiguration;

// The document format version this program was built for.
const wchar_t BootstrapperVersion[] = L"1.7.29433.0";
// How many reference configurations may be followed in a row.
const int MaxReferenceNesting = 10;
// The document beside the executable when none is named or embedded.
const wchar_t DefaultConfigurationFileName[] = L"configuration.xml";

// The primary document and, in the inherited list, the flat list of install
// configurations the run goes through: every configuration that passed its
// filters, with each reference replaced by the configurations of the document
// it names. Where documents come from and what the user is asked is left to
// the derived class.
class ConfigFiles : public Configurations {
public:
    // Loads the primary document, checks its version, lets the user choose a
    // language and fills the flat list. Stops at the first error.
    void LoadConfigurations();

    const ConfigFile& GetPrimary() const { return m_primary; }

protected:
    // The document named on the command line or embedded in the executable;
    // false when there is neither.
    virtual bool LoadPrimaryDocument() = 0;
    // True to go on with a document whose version is not this program's.
    virtual bool ConfirmVersionMismatch(const std::wstring& version, const std::wstring& filename) = 0;
    // Fetches the reference's document when it carries a download list. A
    // download that did not produce the file shows up as the loading error of
    // that file, so there is nothing to report here.
    virtual void DownloadReferenceConfiguration(const ReferenceConfiguration& reference) = 0;
    // Runs one install configuration; IDOK lets the next one run.
    virtual INT_PTR RunConfiguration(const ConfigurationPtr& configuration, unsigned long lcid,
                                     bool moreConfigurations) = 0;
    // True when the user chose a language (stored in the session).
    virtual bool SelectLanguage() = 0;
    // The install configurations of list, each reference replaced by the
    // supported configurations of its document; level counts the references
    // followed to reach list.
    virtual ConfigurationList ExpandReferences(unsigned long lcid, const ConfigurationList& list, int level);
    // True when the document is loaded only to be listed whole: then no
    // configuration needs to match this machine.
    virtual bool ListsWholeDocument() const { return false; }

    ConfigFile m_primary;

private:
    void LoadDefaultDocument();
    // The version matches, or the user chose to go on with it.
    bool VersionAccepted(const ConfigFile& document);
    ConfigurationList ExpandReference(unsigned long lcid, const ReferenceConfiguration& reference, int level);
};
