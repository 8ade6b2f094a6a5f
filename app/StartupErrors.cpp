#include "app/StartupErrors.h"

#include <windows.h>

#include <exception>

#include "base/InstallerLog.h"
#include "base/TimedMessageBox.h"
#include "lib/TextConversion.h"

namespace {

const wchar_t kAlreadyRunning[] = L"Quorvane 2012 Setup is already running!";

// The handlers' own work may fail too (a box that cannot be shown, no memory
// for a line); nothing may leave them, and the run has failed either way.
void ShowAlreadyRunning() noexcept {
    try {
        ShowTimedMessageBox(kAlreadyRunning, MB_OK | MB_ICONERROR, IDOK);
    } catch (...) {
        // The log belongs to the other instance: there is nowhere to say more.
    }
}

// The line with the error's own text after it, if any; nothing when even that fails.
void LogQuietly(const wchar_t* line, const char* detail = nullptr) noexcept {
    try {
        std::wstring text = line;
        if (detail) text += Kestlib::AnsiToWide(detail);
        InstallerLog::Instance().TryWrite(text);
    } catch (...) {
    }
}

}  // namespace

bool RunStartupSteps(const std::function<void()>& steps) {
    try {
        steps();
        return true;
    } catch (const Kestlib::LogFileWriteException&) {
        ShowAlreadyRunning();
    } catch (const std::exception& error) {
        LogQuietly(L"The following error occured: ", error.what());
    } catch (...) {
        LogQuietly(L"A error occured!");
    }
    return false;
}
