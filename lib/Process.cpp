#include "lib/Process.h"

#include <vector>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace Kestlib {

void RunProcess(const std::wstring& command, PROCESS_INFORMATION* place) {
    RunProcess(std::wstring(), command, place);
}

void RunProcess(const std::wstring& application, const std::wstring& command, PROCESS_INFORMATION* place) {
    const std::wstring expanded = ExpandEnvironmentReferences(command);
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> commandLine(expanded.begin(), expanded.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    const wchar_t* program = application.empty() ? nullptr : application.c_str();
    if (!::CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                          &startup, &started))
        ThrowLastError(L"CreateProcessW: " + expanded);
    ProcessHandle process(started.hProcess);
    ThreadHandle thread(started.hThread);
    if (place == nullptr) return;
    *place = started;
    process.Release();
    thread.Release();
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
