#include "base/RebootCount.h"

#include <vector>

#include "lib/SystemError.h"

namespace {

// A positive decimal number of at most six digits; 0 when it is not one.
int PositiveNumber(const std::wstring& text) {
    if (text.empty() || text.size() > 6) return 0;
    int value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return 0;
        value = value * 10 + (c - L'0');
    }
    return value;
}

}  // namespace

RebootCount ParseRebootCount(const std::wstring& text) {
    std::vector<int> numbers;
    std::wstring::size_type start = 0;
    for (;;) {
        const std::wstring::size_type colon = text.find(L':', start);
        numbers.push_back(PositiveNumber(text.substr(start, colon == std::wstring::npos ? colon : colon - start)));
        if (colon == std::wstring::npos) break;
        start = colon + 1;
    }
    bool valid = numbers.size() == 2 || numbers.size() == 3;
    for (int number : numbers) valid = valid && number > 0;
    if (!valid) Kestlib::ThrowError(L"Invalid reboot count: " + text);
    RebootCount result;
    result.count = numbers[0];
    result.configuration = numbers[1];
    if (numbers.size() == 3) result.component = numbers[2];
    return result;
}

std::wstring RebootCountText(const RebootCount& count) {
    return std::to_wstring(count.count) + L":" + std::to_wstring(count.configuration) + L":" +
           std::to_wstring(count.component);
}
