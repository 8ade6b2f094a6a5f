#pragma once

#include <string>

namespace Kestlib {

// The text as a JSON string, quotes included, in UTF-8: the quote, the
// backslash and control characters escaped, everything else as it is.
std::string JsonString(const std::wstring& text);

}  // namespace Kestlib
