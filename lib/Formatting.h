#pragma once

#include <string>

namespace Kestlib {

std::wstring SizeToString(unsigned long count);
// printf-style formatting into a wide string of any length.
std::wstring FormatText(const wchar_t* format, ...);

}  // namespace Kestlib
