#pragma once

#include <tinyxml.h>

#include <stdexcept>
#include <string>

#include "components/InstalledCheckFactory.h"
#include "tests/support/DocumentCorpus.h"

// Loads the check (or operator) that one XML element describes, without
// recording it: for texts the reader takes although the documented
// vocabulary has no place for them (what it skips, what it checks only later).
inline InstalledCheckPtr LoadCheckUnrecorded(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    if (document.Error()) throw std::logic_error("test XML does not parse: " + xml);
    return InstalledCheckFactory::Load(document.RootElement());
}

// Loads the check and records it as an accepted document.
inline InstalledCheckPtr LoadCheck(const std::string& xml) {
    InstalledCheckPtr check = LoadCheckUnrecorded(xml);
    TestSupport::RecordAcceptedDocument(xml);
    return check;
}

// A check counts as accepted once it has also been evaluated without error.
inline bool Evaluate(const std::string& xml) {
    const bool installed = LoadCheckUnrecorded(xml)->IsInstalled();
    TestSupport::RecordAcceptedDocument(xml);
    return installed;
}

// For a check whose invalid value the evaluation does not reach.
inline bool EvaluateUnrecorded(const std::string& xml) { return LoadCheckUnrecorded(xml)->IsInstalled(); }
