#pragma once

#include <vector>

#include "base/SharedAny.h"

class TiXmlElement;

// One test of whether something a component installs is present on the machine.
// Loaded once from the document; every evaluation reads the machine afresh.
class InstalledCheck {
public:
    virtual ~InstalledCheck() = default;
    virtual bool IsInstalled() const = 0;
    virtual void Load(const TiXmlElement* element) = 0;
};

using InstalledCheckPtr = shared_any<InstalledCheck*, close_delete, null_t>;
using InstalledChecks = std::vector<InstalledCheckPtr>;
