// Registers or removes the resume-after-reboot Run value the way a running
// setup does, with its own command line and file name.
// Usage: reboot_run_key [ARGS...]; BWT_REBOOT_MODE is write (with the reboot
// command in BWT_REBOOT_CMD), remove or resume.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "sequence/RebootRunKey.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[4096] = {};
    DWORD length = ::GetEnvironmentVariableW(name, buffer, 4096);
    return length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

}  // namespace

int main() {
    try {
        InstallerCommandLineInfo::Instance().Parse(ProcessArguments());
        std::wstring mode = Environment(L"BWT_REBOOT_MODE");
        if (mode == L"write") {
            WriteRebootRunKey(Environment(L"BWT_REBOOT_CMD"));
        } else if (mode == L"remove") {
            RemoveRebootRunKey();
        } else if (mode == L"resume") {
            RemoveRebootRunKeyIfResumed();
        } else {
            return 2;
        }
        InstallerLog::Release();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
