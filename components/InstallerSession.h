#pragma once

#include <map>
#include <string>

#include "lib/ProcessObject.h"

// What a run knows about itself: its GUID, the extraction folders and the
// component arguments of the command line.
class InstallerSession : public Kestlib::ProcessObject<InstallerSession> {
public:
    InstallerSession();

    const std::wstring& GetGuid() const { return m_guid; }
    // Made each time a <configuration> is loaded; logs "CreateGuid: " + guid.
    void NewGuid();

    // The configured cab path when set, else the default one (created on first use).
    std::wstring GetCabPath();
    std::wstring GetDefaultCabPath();
    const std::wstring& GetConfiguredCabPath() const { return m_cabPath; }
    void SetConfiguredCabPath(const std::wstring& path) { m_cabPath = path; }

    std::map<std::wstring, std::wstring> componentArgs;
    unsigned long languageId = 0;

private:
    std::wstring m_guid;
    std::wstring m_defaultCabPath;
    std::wstring m_cabPath;
};
