#pragma once

#include <string>

class RunReport;

// The run's outcome as a small JSON document (docs/result-file.schema.json):
// the exit code, the restart flags, and each component of the configurations
// shown with its kind, state before the run, outcome, exit code, duration and
// package log. UTF-8, no byte-order mark.
std::string ResultFileText(int exitCode, const RunReport& report);

// Writes the text to path atomically: into a new file beside it (missing
// folders made), flushed, then moved over path, so a reader finds the old
// document or the whole new one. Throws on failure, the temporary file removed.
void WriteResultFile(const std::wstring& path, const std::string& text);
