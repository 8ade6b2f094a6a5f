#pragma once

#include <string>

#include "components/ProcessComponent.h"

// A Windows update package run through wusa.exe.
class MsuComponent : public ProcessComponent {
public:
    MsuComponent() : ProcessComponent(ComponentTypeMsu) {}

    void Exec() override;
    void Load(const TiXmlElement* element) override;
    // Only 0 succeeds (3010 too is a failure), reported with the platform's text for the code.
    void CheckExitCode(unsigned long exitCode) const override;

    // "wusa.exe \"package\"" with the parameters and component arguments.
    std::wstring BuildCommandLine() const;

    std::wstring package;
    std::wstring cmdparameters;
    std::wstring cmdparameters_silent;
    std::wstring cmdparameters_basic;
};
