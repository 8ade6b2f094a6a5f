#include "lib/Formatting.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Kestlib {

namespace {

const std::uint64_t kKilo = 1024;
const std::uint64_t kMega = kKilo * 1024;
const std::uint64_t kGiga = kMega * 1024;

// A whole number of units prints without decimals ("1KB"), any other with one ("1.5KB").
std::wstring InUnits(std::uint64_t count, std::uint64_t unit, const wchar_t* name) {
    double value = static_cast<double>(count) / static_cast<double>(unit);
    return FormatText(count % unit == 0 ? L"%.0f%s" : L"%.1f%s", value, name);
}

}  // namespace

// Sizes of any 64-bit count: from 1024 GB on the count of GB just grows.
std::wstring SizeToString(std::uint64_t count) {
    if (count == 1) return FormatText(L"%lu byte", static_cast<unsigned long>(count));
    if (count < kKilo) return FormatText(L"%lu bytes", static_cast<unsigned long>(count));
    if (count < kMega) return InUnits(count, kKilo, L"KB");
    if (count < kGiga) return InUnits(count, kMega, L"MB");
    return InUnits(count, kGiga, L"GB");
}

// The runtime's bounded formatter (where %s takes a wide string) reports a
// result that does not fit with -1 or the full room; grow until it fits.
std::wstring FormatText(const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(24);
    for (;;) {
        va_list arguments;
        va_start(arguments, format);
        int written = ::_vsnwprintf(buffer.data(), buffer.size(), format, arguments);
        va_end(arguments);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size())
            return std::wstring(buffer.data(), static_cast<size_t>(written));
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace Kestlib
