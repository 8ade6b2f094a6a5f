#pragma once

#include <tinyxml.h>

#include <stdexcept>
#include <string>

#include "components/ComponentFactory.h"
#include "tests/support/DocumentCorpus.h"

// Creates and loads the component that one <component> element describes,
// without recording it: for texts the reader takes although the documented
// vocabulary has no place for them (what it skips, what it checks only later).
inline ComponentPtr LoadComponentUnrecorded(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    if (document.Error()) throw std::logic_error("test XML does not parse: " + xml);
    return ComponentFactory::Load(document.RootElement());
}

// The same, recorded as an accepted document.
inline ComponentPtr LoadComponent(const std::string& xml) {
    ComponentPtr component = LoadComponentUnrecorded(xml);
    TestSupport::RecordAcceptedDocument(xml);
    return component;
}

// The kind as its concrete class, for the kinds' own fields.
template <class Kind>
Kind& As(const ComponentPtr& component) {
    Kind* kind = dynamic_cast<Kind*>(component.get());
    if (kind == nullptr) throw std::logic_error("component of another kind");
    return *kind;
}
