#pragma once

#include <string>

#include "components/InstalledCheck.h"

// Installed when a file exists, optionally with its version resource in a
// given relation to fileversion (file version on the left).
class InstalledCheckFile : public InstalledCheck {
public:
    bool IsInstalled() const override;
    void Load(const TiXmlElement* element) override;

private:
    std::wstring filename;
    std::wstring fileversion;
    std::wstring comparison;
};
