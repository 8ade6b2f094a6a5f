#include "config/ConfigFiles.h"

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "config/ReferenceConfiguration.h"
#include "lib/FileOps.h"
#include "lib/SystemError.h"

void ConfigFiles::LoadConfigurations() {
    if (!LoadPrimaryDocument()) LoadDefaultDocument();
    if (!VersionAccepted(m_primary))
        Kestlib::ThrowError(L"Configuration version in '" + m_primary.GetFilename() + L"' " +
                            m_primary.schema.version + L" does not match bootstrapper version " +
                            BootstrapperVersion);
    if (SelectLanguage()) LOG(L"Locale chosen: " << InstallerSession::Instance().languageId);
    const unsigned long lcid = InstallerSession::Instance().languageId;
    const ConfigurationList supported = m_primary.GetSupportedConfigurations(lcid);
    const ConfigurationList expanded = ExpandReferences(lcid, supported, 0);
    configurations.insert(configurations.end(), expanded.begin(), expanded.end());
    if (supported.empty() && !ListsWholeDocument()) Kestlib::ThrowError(m_primary.NoMatchMessage());
}

void ConfigFiles::LoadDefaultDocument() {
    const std::wstring path = Kestlib::PathCombine(Kestlib::GetModuleDirectory(), DefaultConfigurationFileName);
    if (!Kestlib::FileExists(path)) Kestlib::ThrowError(L"Missing '" + path + L"'");
    m_primary.LoadFile(path);
}

bool ConfigFiles::VersionAccepted(const ConfigFile& document) {
    const std::wstring& version = document.schema.version;
    return version == BootstrapperVersion || ConfirmVersionMismatch(version, document.GetFilename());
}

ConfigurationList ConfigFiles::ExpandReferences(unsigned long lcid, const ConfigurationList& list, int level) {
    if (level >= MaxReferenceNesting)
        Kestlib::ThrowError(L"Maximum nested reference configuration level of " +
                            std::to_wstring(MaxReferenceNesting) +
                            L" reached. Do you have a circular reference?");
    ConfigurationList result;
    for (const ConfigurationPtr& configuration : list) {
        if (configuration->type == ConfigurationTypeReference) {
            const ConfigurationList referenced =
                ExpandReference(lcid, static_cast<const ReferenceConfiguration&>(*configuration), level);
            result.insert(result.end(), referenced.begin(), referenced.end());
        } else {
            result.push_back(configuration);
        }
    }
    return result;
}

// The referenced document goes when its configurations have been taken: they
// live on in their holders.
ConfigurationList ConfigFiles::ExpandReference(unsigned long lcid, const ReferenceConfiguration& reference,
                                               int level) {
    LOG(L"Downloading reference configuration to '" << reference.filename << L"'");
    DownloadReferenceConfiguration(reference);
    ConfigFile document;
    document.LoadFile(reference.filename);
    if (!VersionAccepted(document))
        Kestlib::ThrowError(L"Downloaded configuration " + document.GetFilename() + L" version " +
                            document.schema.version + L" does not match bootstrapper version " +
                            BootstrapperVersion);
    return ExpandReferences(lcid, document.GetSupportedConfigurations(lcid), level + 1);
}
