#include "payload/CabinetNames.h"

#include <cwctype>

#include "lib/StringUtils.h"
#include "lib/TextConversion.h"

namespace Cabinet {

namespace {

const wchar_t* const kDeviceNames[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4",
                                       L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3",
                                       L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

// The platform drops trailing dots and spaces, so "..." and ". ." mean "..".
bool OnlyDotsAndSpaces(const std::wstring& part) { return part.find_first_not_of(L". ") == std::wstring::npos; }

bool IsDeviceName(const std::wstring& part) {
    std::wstring base = Upper(Kestlib::TrimRight(part.substr(0, part.find(L'.')), L" "));
    for (const wchar_t* device : kDeviceNames)
        if (base == device) return true;
    return false;
}

bool HasForbiddenCharacter(const std::wstring& part) {
    for (wchar_t c : part)
        if (c < 0x20 || std::wstring(L"<>:\"|?*").find(c) != std::wstring::npos) return true;
    return false;
}

// A drive ("C:") or the empty first part of an absolute or UNC name.
bool IsRoot(const std::wstring& part, bool first) {
    return first && (part.empty() || (part.size() >= 2 && part[1] == L':'));
}

NameFault PartFault(const std::wstring& part, bool first) {
    if (IsRoot(part, first) || (!part.empty() && OnlyDotsAndSpaces(part))) return NameFault::LeadsOutside;
    if (part.empty() || HasForbiddenCharacter(part)) return NameFault::InvalidName;
    if (IsDeviceName(part)) return NameFault::DeviceName;
    return NameFault::None;
}

}  // namespace

std::wstring DecodeStoredName(const char* stored, bool utf8) {
    if (utf8) return Kestlib::Utf8ToWide(stored);
    std::wstring name;
    for (const char* c = stored; c != nullptr && *c != '\0'; ++c) name += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return name;
}

NameFault CheckRelativeName(const std::wstring& name, RelativeName& result) {
    std::wstring normal = Kestlib::ReplaceAll(name, L"/", L"\\");
    if (normal.empty()) return NameFault::InvalidName;
    Kestlib::StringList parts = Kestlib::SplitString(normal, L"\\");
    for (size_t i = 0; i < parts.size(); ++i) {
        NameFault fault = PartFault(parts[i], i == 0);
        if (fault != NameFault::None) return fault;
    }
    result.file = parts.back();
    parts.pop_back();
    result.folder.clear();
    for (const std::wstring& part : parts) result.folder += part + L"\\";
    return NameFault::None;
}

bool SplitRelativeName(const std::wstring& name, RelativeName& result) {
    return CheckRelativeName(name, result) == NameFault::None;
}

bool IsPlainFileName(const std::wstring& name) {
    RelativeName parts;
    return SplitRelativeName(name, parts) && parts.folder.empty();
}

}  // namespace Cabinet
