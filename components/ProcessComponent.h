#pragma once

#include <windows.h>

#include <string>

#include "components/Component.h"
#include "lib/Handles.h"

// A component whose work is a process: it keeps the started process until
// it is destroyed, so its state and exit code stay readable after it ended.
class ProcessComponent : public Component {
public:
    // Waits without limit for the process (the interval is not used), then
    // judges its exit code.
    void Wait(unsigned long milliseconds) override;
    bool IsExecuting() const override;
    // 16777215 when no process was started.
    unsigned long GetExitCode() const override;

    // Throws the kind's failure text when the exit code is not a success.
    virtual void CheckExitCode(unsigned long exitCode) const = 0;

    static const unsigned long NotStartedExitCode = 0xFFFFFF;

protected:
    explicit ProcessComponent(ComponentType componentType) : Component(componentType) {}

    // Logs "Executing: " + commandLine and starts it; a non-empty application
    // is the full path of the program, which is then not searched for.
    void Start(const std::wstring& commandLine, const std::wstring& application = std::wstring());
    // The installer kinds' tail of the command line: the parameters for the
    // UI level, then the component arguments, each after a blank and logged.
    std::wstring InstallerArguments(const std::wstring& silent, const std::wstring& basic,
                                    const std::wstring& full) const;
    // "Error executing 'description': 0x..." with the code in hexadecimal.
    [[noreturn]] void ThrowExitCodeError(unsigned long exitCode) const;
    // The system folder's copy of a system program, never one placed beside
    // this program or in the current folder.
    static std::wstring SystemProgram(const std::wstring& fileName);

private:
    Kestlib::ProcessHandle m_process;
    Kestlib::ThreadHandle m_thread;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
};
