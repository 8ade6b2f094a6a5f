#pragma once

#include <windows.h>

#include <string>

#include "base/InstallerLog.h"
#include "tests/support/TestEnvironment.h"

// What the installer log gained since this object was made. The log file stays
// open until the process ends, so every case of one process shares one file.
class LogCapture {
public:
    LogCapture() {
        InstallerLog& log = InstallerLog::Instance();
        if (log.GetPath().empty()) {
            wchar_t temp[MAX_PATH];
            ::GetTempPathW(MAX_PATH, temp);
            log.SetPath(std::wstring(temp) + L"bwtest-log-" + std::to_wstring(::GetCurrentProcessId()) + L".log");
        }
        m_start = TestSupport::ReadTextFile(log.GetPath()).size();
    }

    std::string Text() const { return TestSupport::ReadTextFile(InstallerLog::Instance().GetPath()).substr(m_start); }

    // Whether a whole line with this message was written.
    bool HasLine(const std::string& message) const {
        return Text().find("\t" + message + "\r\n") != std::string::npos;
    }

private:
    size_t m_start = 0;
};
