#pragma once

#include <string>

#include "components/ProcessComponent.h"

// A Windows update package run through wusa.exe.
class MsuComponent : public ProcessComponent {
public:
    MsuComponent() : ProcessComponent(ComponentTypeMsu) {}

    void Exec() override;
    std::wstring PackageLogInUse() const override;
    void Load(const TiXmlElement* element) override;
    // 0 and 0x240006 ("already installed") succeed; 3010 too is a failure,
    // reported with the platform's text for the code.
    void CheckExitCode(unsigned long exitCode) const override;

    // "wusa.exe \"package\"" with the parameters and component arguments,
    // then, unless those already say them, "/norestart" when the restart is
    // suppressed and "/log:\"packageLog\"" when a log is asked for.
    std::wstring BuildCommandLine() const;

    std::wstring package;
    std::wstring cmdparameters;
    std::wstring cmdparameters_silent;
    std::wstring cmdparameters_basic;
};
