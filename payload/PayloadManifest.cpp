#include "payload/PayloadManifest.h"

#include <cstdio>
#include <cstdlib>

#include "lib/FileOps.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/CabinetResources.h"

namespace {

const char kFormatLine[] = "crc32";
const wchar_t kListSeparator[] = L" - ";

bool FindBytes(HMODULE module, const wchar_t* name, const wchar_t* type, Kestlib::ByteVector& bytes) {
    if (::FindResourceW(module, name, type) == nullptr) return false;
    bytes = Kestlib::LoadResourceData(module, name, type);
    return true;
}

[[noreturn]] void Unreadable(const std::string& line) {
    Kestlib::ThrowError(L"The payload manifest cannot be read: '" + Kestlib::Utf8ToWide(line) + L"'");
}

ManifestEntry ParseLine(const std::string& line) {
    size_t first = line.find(' ');
    size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    if (second == std::string::npos || second != first + 9 || second + 1 >= line.size()) Unreadable(line);
    std::string size = line.substr(0, first);
    std::string crc = line.substr(first + 1, 8);
    if (size.empty() || size.size() > 19 || size.find_first_not_of("0123456789") != std::string::npos ||
        crc.find_first_not_of("0123456789abcdef") != std::string::npos)
        Unreadable(line);
    ManifestEntry entry;
    entry.size = std::strtoull(size.c_str(), nullptr, 10);
    entry.crc = static_cast<uint32_t>(std::strtoul(crc.c_str(), nullptr, 16));
    entry.name = Kestlib::Utf8ToWide(line.substr(second + 1));
    return entry;
}

}  // namespace

std::string ManifestText(const std::vector<ManifestEntry>& entries) {
    std::string text = kFormatLine;
    for (const ManifestEntry& entry : entries) {
        char crc[9];
        std::snprintf(crc, sizeof(crc), "%08x", static_cast<unsigned>(entry.crc));
        text += "\r\n" + std::to_string(entry.size) + " " + crc + " " + Kestlib::WideToUtf8(entry.name);
    }
    return text;
}

bool ReadManifest(HMODULE module, std::vector<ManifestEntry>& entries) {
    Kestlib::ByteVector bytes;
    if (!FindBytes(module, CabManifestResourceName, CabManifestResourceType, bytes)) return false;
    Kestlib::StringListA lines = Kestlib::SplitString(std::string(bytes.begin(), bytes.end()), "\r\n");
    if (lines.empty() || lines[0] != kFormatLine) Unreadable(lines.empty() ? std::string() : lines[0]);
    entries.clear();
    for (size_t i = 1; i < lines.size(); ++i) entries.push_back(ParseLine(lines[i]));
    return true;
}

// After the total and the empty line, each line is a name, " - " and a
// size rounded for display.
bool ReadListedNames(HMODULE module, std::vector<std::wstring>& names) {
    if (::FindResourceW(module, CabListResourceName, CabListResourceType) == nullptr) return false;
    Kestlib::StringList lines = ListContents(module);
    names.clear();
    for (size_t i = 2; i < lines.size(); ++i) {
        size_t cut = lines[i].rfind(kListSeparator);
        if (cut != std::wstring::npos && cut > 0) names.push_back(lines[i].substr(0, cut));
    }
    return true;
}
