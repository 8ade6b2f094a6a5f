#pragma once

#include <string>

namespace Kestlib {

// Missing or empty text gives the default; otherwise "true"/"false" in any case.
bool ParseBool(const std::wstring& text, bool defaultValue);
bool ParseBool(const char* text, bool defaultValue);

// The whole text must be a number that fits 32 bits (leading blanks and one sign allowed).
int ParseInt(const std::wstring& text);
int ParseInt(const std::string& text, int base = 10);

}  // namespace Kestlib
