#pragma once

#include <string>

#include "components/Component.h"

// A document (or program) opened with its associated program; nothing waits for it.
class OpenFileComponent : public Component {
public:
    OpenFileComponent() : Component(ComponentTypeOpenFile) {}

    // Opens file through the shell; the platform's refusal is thrown.
    void Exec() override;
    bool IsExecuting() const override { return false; }
    void Load(const TiXmlElement* element) override;
    // 0 after a successful open, else the shell's small error value.
    unsigned long GetExitCode() const override { return static_cast<unsigned long>(result); }

    int result = 0;
    std::wstring file;
};
