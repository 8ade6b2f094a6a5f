#include "packager/VersionResource.h"

#include <windows.h>

#include <cwchar>

#include "lib/SystemError.h"

namespace {

const wchar_t* const kKeys[] = {L"Comments",        L"CompanyName",      L"FileDescription", L"FileVersion",
                                L"InternalName",    L"LegalCopyright",   L"LegalTrademarks", L"OriginalFilename",
                                L"PrivateBuild",    L"ProductName",      L"ProductVersion",  L"SpecialBuild"};
// US English in Unicode: the translation, and the string table named after it.
const WORD kLanguage = 0x0409;
const WORD kCodePage = 1200;
const wchar_t kStringTable[] = L"040904B0";

bool IsNumericKey(const std::wstring& key) { return key == L"FileVersion" || key == L"ProductVersion"; }

// "1", "1.2", "1.2.3" or "1.2.3.4", missing parts 0.
bool ParseVersion(const std::wstring& text, DWORD& high, DWORD& low) {
    DWORD parts[4] = {};
    size_t count = 0, digits = 0;
    unsigned long value = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == L'.') {
            if (digits == 0 || count == 4) return false;
            parts[count++] = value;
            value = 0;
            digits = 0;
        } else if (text[i] >= L'0' && text[i] <= L'9' && digits < 5) {
            value = value * 10 + static_cast<unsigned long>(text[i] - L'0');
            ++digits;
            if (value > 65535) return false;
        } else {
            return false;
        }
    }
    high = MAKELONG(parts[1], parts[0]);
    low = MAKELONG(parts[3], parts[2]);
    return true;
}

void PutWord(Kestlib::ByteVector& bytes, size_t at, WORD value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Append(Kestlib::ByteVector& bytes, const void* data, size_t size) {
    const char* begin = static_cast<const char*>(data);
    bytes.insert(bytes.end(), begin, begin + size);
}

void Pad(Kestlib::ByteVector& bytes) { bytes.resize((bytes.size() + 3) & ~size_t(3)); }

// One block: length, value length, type, key, padding, value, children at
// 4-byte boundaries. Text values count in characters, binary ones in bytes.
Kestlib::ByteVector Block(const std::wstring& key, const void* value, WORD valueLength, bool text,
                          const std::vector<Kestlib::ByteVector>& children) {
    Kestlib::ByteVector block(6, '\0');
    PutWord(block, 2, valueLength);
    PutWord(block, 4, text ? 1 : 0);
    Append(block, key.c_str(), (key.size() + 1) * sizeof(wchar_t));
    Pad(block);
    Append(block, value, text ? valueLength * sizeof(wchar_t) : valueLength);
    for (const Kestlib::ByteVector& child : children) {
        Pad(block);
        Append(block, child.data(), child.size());
    }
    PutWord(block, 0, static_cast<WORD>(block.size()));
    return block;
}

}  // namespace

void AddVersionString(VersionStrings& strings, const std::wstring& assignment) {
    size_t equals = assignment.find(L'=');
    if (equals == std::wstring::npos)
        Kestlib::ThrowError(L"Invalid version information '" + assignment + L"': expected KEY=VALUE");
    std::wstring key = assignment.substr(0, equals);
    std::wstring value = assignment.substr(equals + 1);
    std::wstring known;
    for (const wchar_t* candidate : kKeys)
        if (::_wcsicmp(candidate, key.c_str()) == 0) known = candidate;
    if (known.empty()) {
        std::wstring list;
        for (const wchar_t* candidate : kKeys) list += (list.empty() ? L"" : L", ") + std::wstring(candidate);
        Kestlib::ThrowError(L"Unknown version information key '" + key + L"': use one of " + list);
    }
    for (const auto& string : strings)
        if (string.first == known) Kestlib::ThrowError(L"Version information " + known + L" given twice");
    DWORD high = 0, low = 0;
    if (IsNumericKey(known) && !ParseVersion(value, high, low))
        Kestlib::ThrowError(L"Invalid " + known + L" '" + value +
                            L"': give 1 to 4 numbers from 0 to 65535 separated by dots, such as 2.1.0.7");
    if (value.size() > 1000) Kestlib::ThrowError(L"Version information " + known + L" is too long");
    strings.emplace_back(known, value);
}

Kestlib::ByteVector VersionResource(const VersionStrings& strings) {
    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    fixed.dwFileOS = VOS_NT_WINDOWS32;
    fixed.dwFileType = VFT_APP;
    std::vector<Kestlib::ByteVector> table;
    for (const auto& string : strings) {
        if (string.first == L"FileVersion") ParseVersion(string.second, fixed.dwFileVersionMS, fixed.dwFileVersionLS);
        if (string.first == L"ProductVersion")
            ParseVersion(string.second, fixed.dwProductVersionMS, fixed.dwProductVersionLS);
        table.push_back(Block(string.first, string.second.c_str(), static_cast<WORD>(string.second.size() + 1), true, {}));
    }
    DWORD translation = MAKELONG(kLanguage, kCodePage);
    Kestlib::ByteVector stringInfo = Block(L"StringFileInfo", nullptr, 0, true, {Block(kStringTable, nullptr, 0, true, table)});
    Kestlib::ByteVector varInfo =
        Block(L"VarFileInfo", nullptr, 0, true, {Block(L"Translation", &translation, sizeof(translation), false, {})});
    return Block(L"VS_VERSION_INFO", &fixed, sizeof(fixed), false, {stringInfo, varInfo});
}
