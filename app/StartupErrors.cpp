#include "app/StartupErrors.h"

#include <windows.h>

#include <exception>

#include "base/InstallerLog.h"
#include "base/TimedMessageBox.h"
#include "lib/TextConversion.h"

namespace {

const wchar_t kAlreadyRunning[] = L"Quorvane 2012 Setup is already running!";

}  // namespace

bool RunStartupSteps(const std::function<void()>& steps) {
    try {
        steps();
        return true;
    } catch (const Kestlib::LogFileWriteException&) {
        ShowTimedMessageBox(kAlreadyRunning, MB_OK | MB_ICONERROR, IDOK);
    } catch (const std::exception& error) {
        InstallerLog::Instance().TryWrite(L"The following error occured: " + Kestlib::AnsiToWide(error.what()));
    } catch (...) {
        InstallerLog::Instance().TryWrite(L"A error occured!");
    }
    return false;
}
