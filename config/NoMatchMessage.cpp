#include "config/NoMatchMessage.h"

#include "lib/DocumentText.h"

std::wstring FormatNoMatchMessage(const std::wstring& format, std::size_t count) {
    const std::wstring number = std::to_wstring(count);
    if (format.empty())
        return L"No configuration matching locale and operating system found within " + number +
               L" configuration(s)";
    return Kestlib::FillDocumentText(format, number);
}
