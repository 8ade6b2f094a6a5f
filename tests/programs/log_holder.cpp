// Holds the installer log of the path it is given the way a running setup
// does: writes one line, signals READY_EVENT and keeps the file open until
// RELEASE_EVENT is set.
// Usage: log_holder LOG_PATH READY_EVENT RELEASE_EVENT

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>

#include "base/InstallerLog.h"
#include "lib/Handles.h"

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    Kestlib::LocalMemory arguments(argv);
    if (argv == nullptr || argc != 4) return 2;
    try {
        InstallerLog::Instance().SetPath(argv[1]);
        LOG(L"held by " << ::GetCurrentProcessId());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    Kestlib::KernelHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]));
    Kestlib::KernelHandle release(::OpenEventW(SYNCHRONIZE, FALSE, argv[3]));
    if (!ready || !release) return 3;
    ::SetEvent(ready.Get());
    if (::WaitForSingleObject(release.Get(), 60000) != WAIT_OBJECT_0) return 4;
    InstallerLog::Release();
    return 0;
}
