#include "packager/ExecutionLevel.h"

#include "lib/SystemError.h"
#include "lib/TextConversion.h"

const wchar_t ManifestResourceType[] = L"#24";
const wchar_t ManifestResourceName[] = L"#1";

namespace {

const wchar_t* const Levels[] = {L"asInvoker", L"highestAvailable", L"requireAdministrator"};

// Where the value of the level attribute starts and ends; npos when the
// manifest has no requestedExecutionLevel element with one.
struct ValueSpan {
    std::string::size_type begin = std::string::npos;
    std::string::size_type end = std::string::npos;
};

ValueSpan FindLevel(const std::string& manifest) {
    ValueSpan span;
    const std::string::size_type element = manifest.find("<requestedExecutionLevel");
    if (element == std::string::npos) return span;
    const std::string::size_type close = manifest.find('>', element);
    const std::string::size_type attribute = manifest.find(" level=\"", element);
    if (attribute == std::string::npos || attribute > close) return span;
    span.begin = attribute + 8;
    span.end = manifest.find('"', span.begin);
    if (span.end == std::string::npos) span.begin = std::string::npos;
    return span;
}

}  // namespace

std::wstring ParseExecutionLevel(const std::wstring& text) {
    for (const wchar_t* level : Levels)
        if (text == level) return text;
    Kestlib::ThrowError(L"Invalid execution level '" + text +
                        L"': give asInvoker, highestAvailable or requireAdministrator");
}

std::string SetExecutionLevel(const std::string& manifest, const std::wstring& level) {
    const ValueSpan span = FindLevel(manifest);
    if (span.begin == std::string::npos)
        Kestlib::ThrowError(L"The bootstrapper's manifest has no requestedExecutionLevel to set");
    return manifest.substr(0, span.begin) + Kestlib::WideToUtf8(ParseExecutionLevel(level)) +
           manifest.substr(span.end);
}
