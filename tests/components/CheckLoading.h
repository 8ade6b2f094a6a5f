#pragma once

#include <tinyxml.h>

#include <stdexcept>
#include <string>

#include "components/InstalledCheckFactory.h"

// Loads the check (or operator) that one XML element describes.
inline InstalledCheckPtr LoadCheck(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    if (document.Error()) throw std::logic_error("test XML does not parse: " + xml);
    return InstalledCheckFactory::Load(document.RootElement());
}

inline bool Evaluate(const std::string& xml) { return LoadCheck(xml)->IsInstalled(); }
