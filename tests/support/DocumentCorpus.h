#pragma once

#include <string>

// The configuration documents the tests have the program's reader accept,
// collected for the schema check: when BOOTWRIGHT_DOCUMENT_CORPUS names a
// folder, each accepted document is written there once (named by its
// content), and the suite's last step validates the folder against
// docs/bootwright.xsd. Without the variable nothing is written.
namespace TestSupport {

// Records a document, or the fragment of one (a <component>, an
// <installedcheck>, a <download>, ...), which is first wrapped into the
// smallest document the reader loads it in. Call it only after the reader
// accepted the text.
void RecordAcceptedDocument(const std::string& xml);

// The smallest whole document around a fragment; a whole document unchanged.
std::string WrapFragment(const std::string& xml);

}  // namespace TestSupport
