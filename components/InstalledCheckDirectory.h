#pragma once

#include <string>

#include "components/InstalledCheck.h"

// Installed when a folder exists.
class InstalledCheckDirectory : public InstalledCheck {
public:
    bool IsInstalled() const override;
    void Load(const TiXmlElement* element) override;

private:
    std::wstring path;
};
