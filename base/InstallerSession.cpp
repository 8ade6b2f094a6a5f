#include "base/InstallerSession.h"

#include "base/InstallerLog.h"
#include "lib/FileOps.h"
#include "lib/Guid.h"

InstallerSession::InstallerSession() : m_guid(Kestlib::CreateGuidString()) {}

void InstallerSession::NewGuid() {
    m_guid = Kestlib::CreateGuidString();
    LOG(L"CreateGuid: " << m_guid);
}

std::wstring InstallerSession::GetCabPath() {
    return m_cabPath.empty() ? GetDefaultCabPath() : m_cabPath;
}

std::wstring InstallerSession::GetDefaultCabPath() {
    if (m_defaultCabPath.empty()) {
        std::wstring path = Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), m_guid);
        Kestlib::CreateDirectories(path);
        // Recorded only once the folder exists, so clean-up never sees a folder that was not made.
        m_defaultCabPath = path;
    }
    return m_defaultCabPath;
}
