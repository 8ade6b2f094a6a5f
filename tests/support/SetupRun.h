#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "lib/Handles.h"

// Runs the real setup program from a test: packages setup executables with the
// packager, starts them with their own command line, environment, working
// folder and user language, and reads back their full exit code and log.
namespace TestSupport {

// bootwright.exe of the programs under test (ProgramDirectory), the unpackaged bootstrapper.
std::wstring BootstrapperPath();
// bootwright-pack.exe beside it: PackageSetup packages with the packager of the same build.
std::wstring PackagerPath();

// Writes the document as setup.xml into the folder and packages it, with the
// files it embeds, into folder\name, with the packager's options (as typed)
// before the file names. Throws with the packager's exit code and output when it fails.
std::wstring PackageSetup(const std::wstring& folder, const std::string& document,
                          const std::wstring& name = L"setup.exe", const std::wstring& options = std::wstring());

struct SetupOptions {
    // The command line after the program's quoted path, as typed.
    std::wstring arguments;
    // Variables added to (or replacing those of) the test's environment.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    // Empty: the test's own.
    std::wstring workingDirectory;
    // A Unix locale such as de_DE.UTF-8 for the user's language, or empty for
    // the test's. Wine takes a process's language from its Unix environment,
    // which a Windows child inherits from its parent whatever environment block
    // it is given, so such a run starts through a new Wine loader and
    // run_in_locale.exe.
    std::wstring unixLocale;
};

// A started setup process; one that is still running when this goes away is ended.
class SetupProcess {
public:
    SetupProcess(const std::wstring& program, const SetupOptions& options);
    ~SetupProcess();
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;

    // The full 32-bit exit code; a process that has not ended within the time
    // is ended and reported as a test failure (the code is then 0xDEAD).
    DWORD Wait(DWORD milliseconds = 60000);
    bool HasEnded() const;
    DWORD Id() const { return m_id; }

private:
    Kestlib::ProcessHandle m_process;
    DWORD m_id = 0;
};

// Starts the setup and waits for it: its exit code.
DWORD RunSetup(const std::wstring& program, const SetupOptions& options, DWORD milliseconds = 60000);

// The messages of a log, without their time stamps, in order; empty when there is no file.
std::vector<std::string> ReadLogMessages(const std::wstring& path);
bool HasMessage(const std::vector<std::string>& messages, const std::string& message);
bool HasMessageStartingWith(const std::vector<std::string>& messages, const std::string& prefix);
// How often a message occurs.
size_t CountMessages(const std::vector<std::string>& messages, const std::string& message);
// All messages, one per line, for failure output.
std::string JoinMessages(const std::vector<std::string>& messages);

// The visible dialog (message boxes included) of the process with this
// caption (empty: any), waiting for it a while; null when none appeared.
HWND FindProcessDialog(DWORD processId, const std::wstring& caption = std::wstring());
// Presses a button of a window of another process without waiting for what
// the press does (which may be a whole installation or another window).
void Press(HWND dialog, int id);
// The text of a message box.
std::wstring MessageBoxText(HWND box);

// The registry view in which the programs under test see HKEY_LOCAL_MACHINE\SOFTWARE
// as their own: a 32-bit program on 64-bit Windows reads and writes the 32-bit view.
REGSAM ProgramRegistryView();
// The view of the other bitness.
REGSAM OtherRegistryView();
// The value of this name in HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run,
// where a setup registers itself to resume, in this registry view (by default
// the one the programs under test see as theirs); empty when there is none.
std::wstring RunValue(const std::wstring& name, REGSAM view = ProgramRegistryView());
void RemoveRunValue(const std::wstring& name);

// The text in the system's ANSI code page, as log lines hold it.
std::string Ansi(const std::wstring& text);

}  // namespace TestSupport
