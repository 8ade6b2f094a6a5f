#pragma once

#include <string>

#include "components/InstalledCheck.h"

class TiXmlElement;

class InstalledCheckFactory {
public:
    // A new, not yet loaded check of the kind the "type" attribute names:
    // "check_registry_value", "check_file", "check_directory" or "check_product".
    static InstalledCheckPtr Create(const std::wstring& type);
    // Creates and loads the check an <installedcheck> or <installedcheckoperator>
    // element describes; any other element is an unexpected node.
    static InstalledCheckPtr Load(const TiXmlElement* element);
};
