#pragma once

#include <string>

// Result files (/ResultFile) the tests read back. Each one read is also
// recorded for the schema check: when BOOTWRIGHT_DOCUMENT_CORPUS names a
// folder, a copy goes to its "results" subfolder (named by its content), and
// the suite's last step validates them against docs/result-file.schema.json.
namespace TestSupport {

// The file's bytes; empty when there is none.
std::string ReadResultFile(const std::wstring& path);

// The value of a field as the file writes it ("1603", "null", "\"failed\"",
// "true"): of the whole run, or with a component's description, of that
// component (its first entry). Empty when there is no such field.
std::string ResultField(const std::string& text, const std::string& field,
                        const std::string& component = std::string());

}  // namespace TestSupport
