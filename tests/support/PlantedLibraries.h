#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

// Planted-library tests: a program copied beside stand-ins for the platform
// DLLs it loads at run time (planted\ in the folder of the programs under
// test, built from tests/dlls for the same machine type), each of which leaves
// a mark when it is loaded.
namespace TestSupport {

// Makes Wine load a DLL found beside the program first, as Windows does:
// Wine's setting for that program name in this test's prefix, removed again.
// (A WINEDLLOVERRIDES variable in the environment of a child started from a
// Windows program does not reach Wine's loader.)
class PlantingOverride {
public:
    PlantingOverride(const std::wstring& program, const std::vector<std::wstring>& libraries);
    ~PlantingOverride();
    PlantingOverride(const PlantingOverride&) = delete;
    PlantingOverride& operator=(const PlantingOverride&) = delete;
    bool IsSet() const { return m_set; }

private:
    std::wstring m_key;
    bool m_set = false;
};

// A fresh folder holding a copy of the program and every planted DLL.
class PlantedFolder {
public:
    explicit PlantedFolder(const std::wstring& program);
    bool IsReady() const { return m_copied; }
    std::wstring operator/(const std::wstring& name) const { return m_folder / name; }

    // Runs the copy in the folder, with the mark file named in its
    // environment: its full exit code; 0xFFFFFFFF when it could not start.
    DWORD Run(const std::wstring& arguments) const;
    // The planted DLLs that were loaded, by name, sorted, each followed by a
    // space ("cabinet msi "); empty when none was.
    std::string LoadedPlants() const;

private:
    TempFolder m_folder;
    std::wstring m_program;
    bool m_copied = false;
};

}  // namespace TestSupport
