#include "sequence/RestartPolicy.h"

#include <windows.h>

#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "base/TimedMessageBox.h"
#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "lib/SystemError.h"
#include "sequence/PackageOptions.h"
#include "sequence/RebootMachine.h"
#include "sequence/RebootRunKey.h"
#include "sequence/RestartLoopGuard.h"
#include "sequence/RunReport.h"

RestartPolicy::RestartPolicy(int configuration)
    : m_configuration(configuration), m_before(RebootsBeforeThisStart()) {}

bool RestartPolicy::OnComplete(const InstallConfiguration* configuration, const Component& component) {
    if (!component.IsRebootRequired()) return true;
    if (!configuration) Kestlib::ThrowError(L"Invalid configuration");
    const std::wstring& description = component.description;
    LOG(L"--- Component '" << description << L": REQUESTS REBOOT");
    RunReport& report = RunReport::Instance();
    report.SetRestartRequired();
    if (InstallerCommandLineInfo::Instance().noRestart) {
        // The caller restarts: the component counts as a success and the rest runs now.
        m_leftToCaller = true;
        if (component.HasStartedRestart()) {
            // Its own parameters overrode the suppression; nothing here can stop it.
            LOG(L"--- Component '" << description << L"': STARTED A RESTART ITSELF");
            report.SetRestartStarted();
        } else {
            LOG(L"--- Component '" << description << L"': REBOOT SUPPRESSED (/norestart)");
        }
        return true;
    }
    if (component.HasStartedRestart()) {
        // Nobody can decline a restart that is under way: only the resume is left to register.
        LOG(L"--- Component '" << description << L"': STARTED A RESTART ITSELF");
        m_startedByPackage = true;
    } else {
        const std::wstring& text =
            component.reboot_required.empty() ? configuration->reboot_required : component.reboot_required;
        if (configuration->must_reboot_required || component.must_reboot_required) {
            LOG(L"--- Component '" << description << L": REQUIRES REBOOT");
            ShowTimedMessageBox(text, MB_OK | MB_ICONQUESTION, IDOK);
        } else if (ShowTimedMessageBox(text, MB_YESNO | MB_ICONQUESTION, IDYES) != IDYES) {
            // This component's answer alone decides whether the loop stops here.
            return true;
        }
    }
    m_requested = true;
    m_description = description;
    m_next = NextReboot(m_before, m_configuration, ComponentNumber(*configuration, component));
    LOG(L"--- Component '" << description << L": CAUSED A REBOOT");
    return false;
}

std::wstring RestartPolicy::LoopRefusal() const {
    if (!m_requested || m_next.count <= MaxConsecutiveReboots) return std::wstring();
    // Its installed check still reads false after every restart it asked
    // for: another restart would only start the same loop again.
    return L"Component '" + m_description + L"' still asks for a restart after " +
           std::to_wstring(MaxConsecutiveReboots) + L" restarts in a row; the installation stops";
}

void RestartPolicy::Restart(const InstallConfiguration& configuration) const {
    WriteRebootRunKey(configuration.reboot_cmd, ResumeRebootCount(m_before, m_next));
    if (!m_startedByPackage) RebootMachine();
    RunReport::Instance().SetRestartStarted();
}
