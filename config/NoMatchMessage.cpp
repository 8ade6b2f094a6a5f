#include "config/NoMatchMessage.h"

std::wstring FormatNoMatchMessage(const std::wstring& format, std::size_t count) {
    const std::wstring number = std::to_wstring(count);
    if (format.empty())
        return L"No configuration matching locale and operating system found within " + number +
               L" configuration(s)";
    std::wstring text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L's') {
                text += number;
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                text += L'%';
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}
