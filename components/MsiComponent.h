#pragma once

#include <string>

#include "components/ProcessComponent.h"

// A Windows Installer package (or an installed product's code) run through msiexec.
class MsiComponent : public ProcessComponent {
public:
    MsiComponent() : ProcessComponent(ComponentTypeMsi) {}

    void Exec() override;
    // 3010 and 1641 ask for a reboot, as does mustreboot.
    bool IsRebootRequired() const override;
    // 1641: the package has started the restart itself.
    bool HasStartedRestart() const override;
    std::wstring PackageLogInUse() const override;
    void Load(const TiXmlElement* element) override;
    // 0, 3010 and 1641 succeed.
    void CheckExitCode(unsigned long exitCode) const override;

    // "msiexec /I \"package\"" with the parameters and component arguments,
    // then, unless those already say them, "REBOOT=ReallySuppress" when the
    // restart is suppressed and "/l*v \"packageLog\"" when a log is asked for.
    std::wstring BuildCommandLine() const;

    std::wstring package;
    std::wstring cmdparameters;
    std::wstring cmdparameters_silent;
    std::wstring cmdparameters_basic;
};
