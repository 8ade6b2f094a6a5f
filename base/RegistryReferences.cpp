#include "base/RegistryReferences.h"

#include "base/OperatingSystem.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace {

const std::wstring::size_type notFound = std::wstring::npos;

std::wstring ReadRegistryValue(const RegistryReference& parts, Kestlib::WowOption view,
                               const std::wstring& reference) {
    DWORD type = Kestlib::RegistryGetValueType(parts.root, parts.key, parts.valueName, view);
    switch (type) {
    case REG_SZ:
        return Kestlib::RegistryGetStringValue(parts.root, parts.key, parts.valueName, view);
    case REG_DWORD:
        return std::to_wstring(
            static_cast<unsigned long>(Kestlib::RegistryGetDWORD(parts.root, parts.key, parts.valueName, view)));
    case REG_MULTI_SZ:
        return Kestlib::JoinStrings(
            Kestlib::RegistryGetMultiStringValue(parts.root, parts.key, parts.valueName, view), L",");
    default:
        Kestlib::ThrowError(L"Registry value '" + reference + L"' is of unsupported type " +
                            std::to_wstring(static_cast<unsigned long>(type)));
    }
}

std::wstring ResolveRegistryReference(const std::wstring& reference, const std::wstring& text) {
    RegistryReference parts = ParseRegistryReference(reference, text);
    // The operating system is asked only when an option needs it.
    Kestlib::WowOption view =
        parts.hasViewOption ? RegistryReferenceView(parts, GetOperatingSystem(), text) : 0;
    if (!parts.hasDefault || Kestlib::RegistryKeyExists(parts.root, parts.key, parts.valueName, view))
        return ReadRegistryValue(parts, view, reference);
    return parts.defaultValue;
}

}  // namespace

RegistryReference ParseRegistryReference(const std::wstring& reference, const std::wstring& text) {
    RegistryReference parts;
    std::wstring path = reference;
    std::wstring::size_type comma = reference.find(L',');
    if (comma != notFound) {
        path = reference.substr(0, comma);
        parts.hasDefault = true;
        parts.defaultValue = reference.substr(comma + 1);
    }

    Kestlib::StringList components = Kestlib::SplitString(path, L"\\");
    if (components.size() < 2)
        Kestlib::ThrowError(L"Invalid registry path '" + reference + L"' in '" + text + L"'");

    std::wstring rootName = components.front();
    std::wstring::size_type colon = rootName.find(L':');
    if (colon != notFound) {
        parts.hasViewOption = true;
        parts.viewOption = rootName.substr(colon + 1);
        rootName.erase(colon);
    }
    parts.root = Kestlib::String2HKEY(rootName);

    components.erase(components.begin());
    if (components.size() >= 2) {
        parts.valueName = components.back();
        components.pop_back();
    }
    parts.key = Kestlib::JoinStrings(components, L"\\");
    return parts;
}

Kestlib::WowOption RegistryReferenceView(const RegistryReference& reference, int operatingSystem,
                                         const std::wstring& text) {
    if (!reference.hasViewOption || operatingSystem < winXP) return 0;
    if (reference.viewOption == L"WOW64_64") return KEY_WOW64_64KEY;
    if (reference.viewOption == L"WOW64_32") return KEY_WOW64_32KEY;
    Kestlib::ThrowError(L"Invalid WOW option '" + reference.viewOption + L"' in '" + text + L"'");
}

std::wstring ExpandRegistryReferences(const std::wstring& text) {
    std::wstring result = text;
    std::wstring::size_type position = 0;
    for (;;) {
        std::wstring::size_type start = result.find(L"@[", position);
        if (start == notFound) break;
        std::wstring::size_type end = result.find(L']', start + 2);
        if (end == notFound) break;
        std::wstring reference = result.substr(start + 2, end - start - 2);
        if (reference.empty()) {
            position = end + 1;
            continue;
        }
        std::wstring value = ResolveRegistryReference(reference, text);
        result.replace(start, end - start + 1, value);
        position = start + value.size();
    }
    return result;
}
