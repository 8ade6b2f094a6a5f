#pragma once

#include <string>

namespace TestSupport {

// The folder holding the test executables and the helper programs (with a trailing backslash).
std::wstring BinDirectory();

// The folder holding the programs under test (bootwright.exe, bootwright-pack.exe
// and planted\ with stand-in DLLs of the same machine type), with a trailing
// backslash: BOOTWRIGHT_PROGRAMS when the suite runs against the programs of
// another build (the 32-bit ones, under WOW64), else BinDirectory().
std::wstring ProgramDirectory();
// True when the programs under test are 32-bit Windows programs.
bool ProgramsAre32Bit();

// A fresh, uniquely named folder under the temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    // Path + "\" + name.
    std::wstring operator/(const std::wstring& name) const;

private:
    std::wstring m_path;
};

// An environment variable of this process set for the life of the object:
// children started meanwhile inherit it, later tests never see it.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const wchar_t* m_name;
    bool m_had = false;
    std::wstring m_old;
};

void WriteTextFile(const std::wstring& path, const std::string& bytes);
std::string ReadTextFile(const std::wstring& path);
// For a file a detached child writes: waits until it appears and opens, and
// reads it. The name can appear while the child's rename still holds the
// file, so an open that fails is tried again. False after the time-out.
bool WaitAndReadFile(const std::wstring& path, std::string* content, unsigned milliseconds = 30000);

}  // namespace TestSupport
