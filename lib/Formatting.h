#pragma once

#include <cstdint>
#include <string>

namespace Kestlib {

std::wstring SizeToString(std::uint64_t count);
// printf-style formatting into a wide string of any length.
std::wstring FormatText(const wchar_t* format, ...);

}  // namespace Kestlib
