#pragma once

#include <windows.h>

#include <string>

namespace Kestlib {

std::wstring ExpandEnvironmentReferences(const std::wstring& text);
std::wstring EnvironmentVariableValue(const std::wstring& name);

// With a place, the process and thread handles stay open and belong to the caller.
void RunProcess(const std::wstring& command, PROCESS_INFORMATION* place = nullptr);
DWORD RunProcessAndWait(const std::wstring& command);
void ShellOpen(const std::wstring& command, int* place = nullptr);

}  // namespace Kestlib
