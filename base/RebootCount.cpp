#include "base/RebootCount.h"

#include "base/InstallerCommandLineInfo.h"
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
    const std::wstring::size_type colon = text.find(L':');
    RebootCount result;
    if (colon != std::wstring::npos) {
        result.count = PositiveNumber(text.substr(0, colon));
        result.configuration = PositiveNumber(text.substr(colon + 1));
    }
    if (result.count == 0 || result.configuration == 0) Kestlib::ThrowError(L"Invalid reboot count: " + text);
    return result;
}

std::wstring RebootCountText(const RebootCount& count) {
    return std::to_wstring(count.count) + L":" + std::to_wstring(count.configuration);
}

RebootCount RebootsBeforeThisStart() {
    const InstallerCommandLineInfo& options = InstallerCommandLineInfo::Instance();
    if (options.rebootCount.count > 0) return options.rebootCount;
    RebootCount unnamed;
    if (options.reboot) unnamed.count = 1;
    return unnamed;
}

RebootCount NextReboot(const RebootCount& previous, int configuration) {
    RebootCount next;
    next.configuration = configuration;
    const bool same = previous.configuration == 0 || previous.configuration == configuration;
    next.count = previous.count > 0 && same ? previous.count + 1 : 1;
    return next;
}

std::wstring ResumeRebootCount(const RebootCount& previous, const RebootCount& next) {
    return previous.count == 0 ? std::wstring() : RebootCountText(next);
}
