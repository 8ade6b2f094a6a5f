#pragma once

#include <string>

// The execution level a setup executable's manifest asks the system for:
// asInvoker, highestAvailable or requireAdministrator (the program's own).
extern const wchar_t ManifestResourceType[];
extern const wchar_t ManifestResourceName[];

// One of the three names, exactly as the manifest writes it; anything else
// throws a message that lists them.
std::wstring ParseExecutionLevel(const std::wstring& text);

// The manifest with the level of its requestedExecutionLevel element
// replaced; a manifest without that element throws.
std::string SetExecutionLevel(const std::string& manifest, const std::wstring& level);
