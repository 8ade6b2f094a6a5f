#include "sequence/CompleteInstallation.h"

#include <windows.h>

#include <string>

#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "base/SelectByUILevel.h"
#include "base/TimedMessageBox.h"
#include "config/InstallConfiguration.h"
#include "lib/Process.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

void CompleteInstallation(const InstallConfiguration* configuration, bool nothingInstalled) {
    LOG(L"--- Complete Command");
    if (!configuration) Kestlib::ThrowError(L"Invalid configuration");

    std::wstring message = configuration->installation_completed;
    if (nothingInstalled && !configuration->installation_none.empty()) message = configuration->installation_none;
    if (!message.empty()) ShowTimedMessageBox(message, MB_OK | MB_ICONINFORMATION, IDOK);

    std::wstring command = SelectByUILevel(configuration->complete_command_silent,
                                           configuration->complete_command_basic, configuration->complete_command);
    // Appended even to an empty command, which then begins with the blank.
    const std::wstring& arguments = InstallerCommandLineInfo::Instance().completeCommandArgs;
    if (!arguments.empty()) command += L" " + arguments;
    if (command.empty()) return;

    // The log shows the command as built; the program started gets it without
    // the blanks before its own name, which a program reads as its first word.
    const std::wstring started = Kestlib::TrimLeft(command, L" ");
    if (configuration->wait_for_complete_command) {
        LOG(L"Executing complete command: " << command);
        Kestlib::RunProcessAndWait(started);
    } else {
        LOG(L"Detaching complete command: " << command);
        Kestlib::RunProcess(started);
    }
}
