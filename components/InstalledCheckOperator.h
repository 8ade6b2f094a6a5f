#pragma once

#include <string>

#include "components/InstalledCheck.h"

// Combines the checks below it with "And", "Or" or "Not" (none of them true).
// The type is only looked at when the operator is evaluated.
class InstalledCheckOperator : public InstalledCheck {
public:
    bool IsInstalled() const override;
    void Load(const TiXmlElement* element) override;

private:
    bool AnyInstalled() const;

    std::wstring type;
    std::wstring description;
    InstalledChecks checks;
};
