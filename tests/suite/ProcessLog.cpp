// Linked into every test executable. Test processes run side by side, and the
// program's default log is one file held open by whoever writes first: each
// test process writes to a log of its own instead, so no case can find the
// log held by another.
#include <windows.h>

#include <string>

#include "base/InstallerLog.h"

namespace {

const bool kProcessLogSet = [] {
    wchar_t temp[MAX_PATH];
    DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return false;
    InstallerLog::Instance().SetPath(std::wstring(temp, length) + L"bwtest-log-" +
                                     std::to_wstring(::GetCurrentProcessId()) + L".log");
    return true;
}();

}  // namespace
