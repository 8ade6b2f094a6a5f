// Runs the rest of its command line as a script runs a line that starts with a
// bare command name: the platform searches its folders for the program (no
// application name). Ends with that program's exit code, or 9009 when it could
// not start. Its own path must hold no blank.
#include <windows.h>

#include <string>

#include "lib/Handles.h"

int main() {
    std::wstring line = ::GetCommandLineW();
    const size_t at = line.find_first_not_of(L" \t", line.find_first_of(L" \t"));
    if (at == std::wstring::npos) return 9009;
    std::wstring command = line.substr(at);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return 9009;
    Kestlib::ProcessHandle process(started.hProcess);
    Kestlib::ThreadHandle thread(started.hThread);
    DWORD exitCode = 9009;
    ::WaitForSingleObject(process.Get(), INFINITE);
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return static_cast<int>(exitCode);
}
