#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "components/Component.h"
#include "lib/Handles.h"

// How an installer program is told what the run adds to its command line
// (see Component::suppressRestart and Component::packageLog), and how its own
// parameters already say it. The tests see one parameter at a time, as the
// program splits its command line: at blanks outside double quotes.
struct InstallerSyntax {
    // Appended under /norestart.
    const wchar_t* suppressRestart;
    // A parameter that already decides about restarts.
    bool (*setsRestart)(const std::wstring& parameter);
    // Put before the quoted log path.
    const wchar_t* logOption;
    // A parameter that already names a log.
    bool (*namesLog)(const std::wstring& parameter);

    // Whether parameter is the switch name, typed with / or -, in any case.
    static bool IsSwitch(const std::wstring& parameter, const wchar_t* name);
    // Whether parameter starts with prefix, compared without regard to case.
    static bool StartsWithNoCase(const std::wstring& parameter, const wchar_t* prefix);
};

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
    // is the full path of the program, else the command line names it
    // (Kestlib::RunProcess).
    void Start(const std::wstring& commandLine, const std::wstring& application = std::wstring());
    // The installer kinds' tail of the command line: the parameters for the
    // UI level, then the component arguments, then the restart suppression
    // and the package log the run asks for, unless the parameters and
    // arguments already say them; each after a blank and logged.
    std::wstring InstallerArguments(const std::wstring& silent, const std::wstring& basic, const std::wstring& full,
                                    const InstallerSyntax& syntax) const;
    // packageLog, unless the parameters and arguments name a log of their own.
    std::wstring PackageLogUnlessNamed(const std::wstring& silent, const std::wstring& basic,
                                       const std::wstring& full, const InstallerSyntax& syntax) const;
    // "Error executing 'description': 0x..." with the code in hexadecimal.
    [[noreturn]] void ThrowExitCodeError(unsigned long exitCode) const;
    // The system folder's copy of a system program, never one placed beside
    // this program or in the current folder.
    static std::wstring SystemProgram(const std::wstring& fileName);

private:
    // The parameters for the UI level and the component arguments, one by one; nothing logged.
    std::vector<std::wstring> GivenParameters(const std::wstring& silent, const std::wstring& basic,
                                              const std::wstring& full) const;

    Kestlib::ProcessHandle m_process;
    Kestlib::ThreadHandle m_thread;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
};
