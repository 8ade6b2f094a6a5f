#pragma once

#include <string>

// The platform's PROCESSOR_ARCHITECTURE_* value of this machine; a 32-bit
// process on 64-bit Windows reports the native architecture.
int GetProcessorArchitecture();
bool IsWow64();
int ParseProcessorArchitecture(const std::wstring& name);
std::wstring ProcessorArchitectureName(int id);
