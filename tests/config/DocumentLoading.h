#pragma once

#include <tinyxml.h>

#include <gtest/gtest.h>

#include <string>

#include "config/Configurations.h"

// Parses XML text and has the configurations read its root element; the
// parser's own failures end the test, the reader's reach the caller.
inline void LoadDocument(Configurations& configurations, const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    configurations.Load(document.RootElement());
}

// A document with these root attributes and children.
inline std::string Document(const std::string& attributes, const std::string& children = "") {
    return "<configurations " + attributes + ">" + children + "</configurations>";
}
