// Runs a command line in the user language of this process's Unix locale
// (LC_ALL when this program was started by the Wine loader): Wine hands a
// Windows child its parent's language, whatever its environment block says.
// The command comes from BWTEST_RELAY_COMMAND. It starts suspended; its
// process id is written to BWTEST_RELAY_PID_FILE, and it runs once the named
// event BWTEST_RELAY_GO_EVENT is set, so the caller can open it first. Ends
// with the command's exit code.

#include <windows.h>

#include <string>

#include "lib/Handles.h"

namespace {

std::wstring TakeVariable(const wchar_t* name) {
    wchar_t buffer[8192] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 8192);
    ::SetEnvironmentVariableW(name, nullptr);
    return length < 8192 ? std::wstring(buffer, length) : std::wstring();
}

bool WritePid(const std::wstring& path, DWORD pid) {
    const std::string text = std::to_string(pid) + "\n";
    Kestlib::FileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

int main() {
    std::wstring command = TakeVariable(L"BWTEST_RELAY_COMMAND");
    const std::wstring pidFile = TakeVariable(L"BWTEST_RELAY_PID_FILE");
    const std::wstring goName = TakeVariable(L"BWTEST_RELAY_GO_EVENT");
    if (command.empty() || pidFile.empty() || goName.empty()) return 2;
    Kestlib::KernelHandle go(::OpenEventW(SYNCHRONIZE, FALSE, goName.c_str()));
    if (!go) return 3;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                          &started))
        return 4;
    Kestlib::ProcessHandle process(started.hProcess);
    Kestlib::ThreadHandle thread(started.hThread);
    // Nobody will ever wait for a child the caller could not learn about.
    if (!WritePid(pidFile, started.dwProcessId) || ::WaitForSingleObject(go.Get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 5);
        return 5;
    }
    ::ResumeThread(thread.Get());
    ::WaitForSingleObject(process.Get(), INFINITE);
    DWORD exitCode = 6;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return static_cast<int>(exitCode);
}
