#include "lib/Process.h"

#include <vector>

#include "lib/Handles.h"
#include "lib/ProgramSearch.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

void Start(const std::wstring& application, const std::wstring& expanded, PROCESS_INFORMATION* place) {
    KeepCurrentFolderOutOfProgramSearch();
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> commandLine(expanded.begin(), expanded.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                          nullptr, &startup, &started))
        ThrowLastError(L"CreateProcessW: " + expanded);
    ProcessHandle process(started.hProcess);
    ThreadHandle thread(started.hThread);
    if (place == nullptr) return;
    *place = started;
    process.Release();
    thread.Release();
}

}  // namespace

void RunProcess(const std::wstring& command, PROCESS_INFORMATION* place) {
    const std::wstring expanded = ExpandEnvironmentReferences(command);
    // The program is decided here and named to the platform, which would
    // otherwise try the part before each blank and look beside this program
    // and in the current folder first.
    const std::wstring program = CommandProgram(expanded);
    if (program.empty()) ThrowSystemError(ERROR_FILE_NOT_FOUND, L"CreateProcessW: " + expanded);
    Start(program, expanded, place);
}

void RunProcess(const std::wstring& application, const std::wstring& command, PROCESS_INFORMATION* place) {
    Start(application, ExpandEnvironmentReferences(command), place);
}

DWORD RunProcessAndWait(const std::wstring& command) {
    PROCESS_INFORMATION started = {};
    RunProcess(command, &started);
    ProcessHandle process(started.hProcess);
    ThreadHandle thread(started.hThread);
    if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0) ThrowLastError(L"WaitForSingleObject");
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(process.Get(), &exitCode)) ThrowLastError(L"GetExitCodeProcess");
    return exitCode;
}

}  // namespace Kestlib
