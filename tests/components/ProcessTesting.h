#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "base/InstallUILevel.h"
#include "tests/base/FreshSession.h"
#include "tests/support/TestEnvironment.h"

namespace ProcessTesting {

inline std::wstring Program(const std::wstring& name) { return TestSupport::BinDirectory() + name; }

// Sets an environment variable the started programs inherit, and removes it again.
class ScopedVariable {
public:
    ScopedVariable(const std::wstring& name, const std::wstring& value) : m_name(name) {
        ::SetEnvironmentVariableW(name.c_str(), value.c_str());
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(m_name.c_str(), nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring m_name;
};

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::wstring& path) {
        wchar_t previous[MAX_PATH];
        ::GetCurrentDirectoryW(MAX_PATH, previous);
        m_previous = previous;
        if (!::SetCurrentDirectoryW(path.c_str())) throw std::runtime_error("cannot change the current folder");
    }
    ~ScopedCurrentDirectory() { ::SetCurrentDirectoryW(m_previous.c_str()); }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::wstring m_previous;
};

// A copy of the recording program under a system program's name, which
// writes its command line to PROC_PRINTARGS_OUTPUT when it is ever started.
class PlantedProgram {
public:
    explicit PlantedProgram(const std::wstring& path) : m_path(path) {
        if (!::CopyFileW(Program(L"proc_printargs.exe").c_str(), path.c_str(), FALSE))
            throw std::runtime_error("cannot plant a program");
    }
    ~PlantedProgram() { ::DeleteFileW(m_path.c_str()); }
    PlantedProgram(const PlantedProgram&) = delete;
    PlantedProgram& operator=(const PlantedProgram&) = delete;

private:
    std::wstring m_path;
};

inline bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace ProcessTesting

// A fresh session and the command-line UI level of each case, reset afterwards.
class ProcessComponentTestBase : public FreshSessionTest {
protected:
    void TearDown() override {
        InstallUILevel::Release();
        FreshSessionTest::TearDown();
    }
    static void SetLevel(int level) { InstallUILevel::Instance().SetCommandLineUILevel(level); }
};
