#pragma once

#include <string>

#include "components/ProcessComponent.h"

// A command line from the configuration, one variant per UI level.
class CmdComponent : public ProcessComponent {
public:
    CmdComponent() : ProcessComponent(ComponentTypeCmd) {}

    void Exec() override;
    void Load(const TiXmlElement* element) override;
    // Only 0 succeeds.
    void CheckExitCode(unsigned long exitCode) const override;

    // The variant for the UI level with the component arguments after a blank.
    std::wstring BuildCommandLine() const;

    std::wstring command;
    std::wstring command_silent;
    std::wstring command_basic;
};
