#pragma once

#include <tinyxml.h>

#include <gtest/gtest.h>

#include <string>

#include "config/Configurations.h"
#include "tests/support/DocumentCorpus.h"

// Parses XML text and has the configurations read its root element; the
// parser's own failures end the test, the reader's reach the caller. Not
// recorded for the schema check: for texts the reader takes although the
// documented vocabulary has no place for them (what it tolerates, what it
// checks only later).
inline void LoadDocumentUnrecorded(Configurations& configurations, const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    configurations.Load(document.RootElement());
}

// The same, recorded as an accepted document once the reader took it.
inline void LoadDocument(Configurations& configurations, const std::string& xml) {
    LoadDocumentUnrecorded(configurations, xml);
    if (!::testing::Test::HasFatalFailure()) TestSupport::RecordAcceptedDocument(xml);
}

// A document with these root attributes and children.
inline std::string Document(const std::string& attributes, const std::string& children = "") {
    return "<configurations " + attributes + ">" + children + "</configurations>";
}
