#pragma once

#include <string>

#include "lib/ProcessObject.h"

// The program that starts this one again after a reboot, when the command line
// names another.
class InstallerLauncher : public Kestlib::ProcessObject<InstallerLauncher> {
public:
    const std::wstring& GetPath() const { return m_path; }
    void SetPath(const std::wstring& path) { m_path = path; }
    const std::wstring& GetArgs() const { return m_args; }
    void SetArgs(const std::wstring& args) { m_args = args; }

private:
    std::wstring m_path;
    std::wstring m_args;
};
