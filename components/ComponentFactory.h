#pragma once

#include <string>

#include "components/Component.h"

class TiXmlElement;

class ComponentFactory {
public:
    // A new, not yet loaded component of the kind "msi", "msu", "cmd" or
    // "openfile" (exact case); anything else is "Unsupported component type: ".
    static ComponentPtr Create(const std::wstring& type);
    // Creates the kind the element's "type" attribute (not expanded) names and loads it.
    static ComponentPtr Load(const TiXmlElement* element);
};
