#pragma once

#include <windows.h>

#include <string>

namespace Kestlib {

// Replaces each %NAME% by the variable's value (nothing when it is not set);
// "%%" and a lone "%" stay, and an inserted value is not expanded again.
std::wstring ExpandEnvironmentReferences(const std::wstring& text);
// Empty when the variable does not exist.
std::wstring EnvironmentVariableValue(const std::wstring& name);

// Starts the expanded command detached, without waiting. The program is the
// one CommandProgram finds (lib/ProgramSearch.h), named to the platform as the
// file to run; when there is none, the error is that of a missing file. Every
// program started runs with NoDefaultCurrentDirectoryInExePath set. Without a
// place both handles are closed at once. With a place, it receives the process
// and thread handles and ids, and the handles then belong to the caller, who
// must close them (ProcessHandle/ThreadHandle); on failure the place is left
// as it was.
void RunProcess(const std::wstring& command, PROCESS_INFORMATION* place = nullptr);
// The same, but the program is the file at application (a full path), so no
// folder is searched for it; the command line still names it first.
void RunProcess(const std::wstring& application, const std::wstring& command, PROCESS_INFORMATION* place);
// Returns the child's exit code, the full 32-bit value.
DWORD RunProcessAndWait(const std::wstring& command);
// Opens a document or program with its default action. The place receives 0
// on success, else the platform's small error value, before the error is thrown.
void ShellOpen(const std::wstring& command, int* place = nullptr);

}  // namespace Kestlib
