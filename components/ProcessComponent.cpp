#include "components/ProcessComponent.h"

#include <algorithm>
#include <cwchar>

#include "base/InstallerLog.h"
#include "base/SelectByUILevel.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/Process.h"
#include "lib/SystemError.h"

void ProcessComponent::Wait(unsigned long) {
    if (::WaitForSingleObject(m_process.Get(), INFINITE) != WAIT_OBJECT_0)
        Kestlib::ThrowLastError(L"WaitForSingleObject");
    CheckExitCode(GetExitCode());
}

// Asked of the handle, not the exit code: a process may end with 259, the
// value that reads as "still active".
bool ProcessComponent::IsExecuting() const {
    return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

unsigned long ProcessComponent::GetExitCode() const {
    if (!m_process) return NotStartedExitCode;
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(m_process.Get(), &exitCode)) Kestlib::ThrowLastError(L"GetExitCodeProcess");
    return exitCode;
}

void ProcessComponent::Start(const std::wstring& commandLine, const std::wstring& application) {
    LOG(L"Executing: " << commandLine);
    PROCESS_INFORMATION started = {};
    if (application.empty())
        Kestlib::RunProcess(commandLine, &started);
    else
        Kestlib::RunProcess(application, commandLine, &started);
    m_process.Reset(started.hProcess);
    m_thread.Reset(started.hThread);
    m_processId = started.dwProcessId;
    m_threadId = started.dwThreadId;
}

std::wstring ProcessComponent::InstallerArguments(const std::wstring& silent, const std::wstring& basic,
                                                  const std::wstring& full, const InstallerSyntax& syntax) const {
    std::wstring text;
    const std::wstring parameters = SelectByUILevel(silent, basic, full);
    if (!parameters.empty()) {
        LOG(L"-- Additional command-line parameters: " << parameters);
        text += L" " + parameters;
    }
    std::wstring arguments;
    if (FindComponentArguments(arguments)) {
        LOG(L"-- Additional component arguments: " << arguments);
        text += L" " + arguments;
    }
    if (suppressRestart) {
        const std::vector<std::wstring> given = GivenParameters(silent, basic, full);
        if (std::none_of(given.begin(), given.end(), syntax.setsRestart)) {
            LOG(L"-- Restart left to the caller (/norestart): " << syntax.suppressRestart);
            text += std::wstring(L" ") + syntax.suppressRestart;
        }
    }
    const std::wstring log = PackageLogUnlessNamed(silent, basic, full, syntax);
    if (!log.empty()) {
        LOG(L"-- Package log: " << log);
        text += std::wstring(L" ") + syntax.logOption + L"\"" + log + L"\"";
    }
    return text;
}

std::wstring ProcessComponent::PackageLogUnlessNamed(const std::wstring& silent, const std::wstring& basic,
                                                     const std::wstring& full, const InstallerSyntax& syntax) const {
    if (packageLog.empty()) return std::wstring();
    const std::vector<std::wstring> given = GivenParameters(silent, basic, full);
    return std::any_of(given.begin(), given.end(), syntax.namesLog) ? std::wstring() : packageLog;
}

std::vector<std::wstring> ProcessComponent::GivenParameters(const std::wstring& silent, const std::wstring& basic,
                                                            const std::wstring& full) const {
    std::wstring text = SelectByUILevel(silent, basic, full);
    std::wstring arguments;
    if (FindComponentArguments(arguments)) text += L" " + arguments;
    std::vector<std::wstring> parameters;
    std::wstring current;
    bool quoted = false;
    for (wchar_t c : text) {
        if (c == L'"') quoted = !quoted;
        if (!quoted && (c == L' ' || c == L'\t')) {
            if (!current.empty()) parameters.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) parameters.push_back(current);
    return parameters;
}

bool InstallerSyntax::IsSwitch(const std::wstring& parameter, const wchar_t* name) {
    return parameter.size() > 1 && (parameter[0] == L'/' || parameter[0] == L'-') &&
           ::_wcsicmp(parameter.c_str() + 1, name) == 0;
}

bool InstallerSyntax::StartsWithNoCase(const std::wstring& parameter, const wchar_t* prefix) {
    return ::_wcsnicmp(parameter.c_str(), prefix, std::char_traits<wchar_t>::length(prefix)) == 0;
}

void ProcessComponent::ThrowExitCodeError(unsigned long exitCode) const {
    Kestlib::ThrowError(L"Error executing '" + description + L"': " +
                        Kestlib::FormatText(L"0x%x", static_cast<unsigned int>(exitCode)));
}

std::wstring ProcessComponent::SystemProgram(const std::wstring& fileName) {
    return Kestlib::PathCombine(Kestlib::GetSystemDirectory(), fileName);
}
