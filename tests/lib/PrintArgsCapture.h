#pragma once

#include <string>

#include "tests/support/TestEnvironment.h"

// Runs proc_printargs from a chosen place and collects the command line it
// received: the program writes it to the file named by PROC_PRINTARGS_OUTPUT,
// which this object sets for its lifetime (children inherit it).
class PrintArgsCapture {
public:
    PrintArgsCapture();
    ~PrintArgsCapture();
    PrintArgsCapture(const PrintArgsCapture&) = delete;
    PrintArgsCapture& operator=(const PrintArgsCapture&) = delete;

    // Copies the program to folder-relative path (sub-folders created) and returns the full path.
    std::wstring PlaceProgram(const std::wstring& relativePath) const;
    const TestSupport::TempFolder& Folder() const { return m_folder; }
    // The command line the program received; empty if it did not run within the time-out.
    std::wstring WaitForCommandLine(unsigned milliseconds = 20000) const;

private:
    TestSupport::TempFolder m_folder;
    std::wstring m_output;
};
