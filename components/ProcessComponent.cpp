#include "components/ProcessComponent.h"

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
    Kestlib::RunProcess(application, commandLine, &started);
    m_process.Reset(started.hProcess);
    m_thread.Reset(started.hThread);
    m_processId = started.dwProcessId;
    m_threadId = started.dwThreadId;
}

std::wstring ProcessComponent::InstallerArguments(const std::wstring& silent, const std::wstring& basic,
                                                  const std::wstring& full) const {
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
    return text;
}

void ProcessComponent::ThrowExitCodeError(unsigned long exitCode) const {
    Kestlib::ThrowError(L"Error executing '" + description + L"': " +
                        Kestlib::FormatText(L"0x%x", static_cast<unsigned int>(exitCode)));
}

std::wstring ProcessComponent::SystemProgram(const std::wstring& fileName) {
    return Kestlib::PathCombine(Kestlib::GetSystemDirectory(), fileName);
}
