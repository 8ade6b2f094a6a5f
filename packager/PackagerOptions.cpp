#include "packager/PackagerOptions.h"

#include <cwctype>

#include "lib/SystemError.h"
#include "packager/ExecutionLevel.h"

namespace {

// A cabinet holds at least one whole frame of 32 KiB with its headers.
const unsigned long long kMinimumSegment = 36ULL * 1024;
const unsigned long long kMaximumSegment = 2047ULL * 1024 * 1024;

}  // namespace

unsigned long ParseSegmentSize(const std::wstring& text) {
    std::wstring digits = text;
    unsigned long long unit = 1;
    if (!digits.empty()) {
        wchar_t suffix = static_cast<wchar_t>(std::towupper(digits.back()));
        if (suffix == L'K') unit = 1024;
        if (suffix == L'M') unit = 1024 * 1024;
        if (unit != 1) digits.pop_back();
    }
    unsigned long long value = 0;
    bool valid = !digits.empty() && digits.size() <= 10;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') valid = false;
        value = value * 10 + static_cast<unsigned long long>(c - L'0');
    }
    value *= unit;
    if (!valid || value < kMinimumSegment || value > kMaximumSegment)
        Kestlib::ThrowError(L"Invalid segment size '" + text + L"': give bytes, or a number with K or M, from 36K to 2047M");
    return static_cast<unsigned long>(value);
}

Cabinet::Compression ParseCompression(const std::wstring& text) {
    Cabinet::Compression compression;
    if (text == L"lzx")
        compression.method = Cabinet::CompressionMethod::Lzx;
    else if (text == L"mszip")
        compression.method = Cabinet::CompressionMethod::Mszip;
    else if (text == L"none")
        compression.method = Cabinet::CompressionMethod::None;
    else
        Kestlib::ThrowError(L"Invalid compression '" + text + L"': give lzx, mszip or none");
    return compression;
}

int ParseLzxWindow(const std::wstring& text) {
    if (text.size() != 2 || text[0] < L'1' || text[0] > L'2' || text[1] < L'0' || text[1] > L'9' ||
        std::stoi(text) < 15 || std::stoi(text) > 21)
        Kestlib::ThrowError(L"Invalid LZX window '" + text + L"': give 15 to 21 (a window of 2^15 to 2^21 bytes)");
    return std::stoi(text);
}

void SetSourceDateEpoch(PackagerOptions& options, const std::wstring& text) {
    unsigned long long seconds = 0;
    bool valid = !text.empty() && text.size() <= 12;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') valid = false;
        seconds = seconds * 10 + static_cast<unsigned long long>(c - L'0');
    }
    if (!valid)
        Kestlib::ThrowError(L"Invalid SOURCE_DATE_EPOCH '" + text + L"': give the seconds since 1970-01-01 00:00 UTC");
    // File times count 100 ns steps from 1601.
    unsigned long long ticks = (seconds + 11644473600ULL) * 10000000ULL;
    options.limitTimes = true;
    options.latestTime.dwLowDateTime = static_cast<DWORD>(ticks);
    options.latestTime.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

PackagerOptions ParsePackagerArguments(const std::vector<std::wstring>& arguments) {
    PackagerOptions options;
    std::vector<std::wstring> files;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        bool hasValue = i + 1 < arguments.size();
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            options.help = true;
        } else if (argument == L"--segment-size" || argument == L"--banner" || argument == L"--icon" ||
                   argument == L"--version-info" || argument == L"--execution-level" || argument == L"--compression" ||
                   argument == L"--lzx-window") {
            if (!hasValue) Kestlib::ThrowError(L"Missing value after " + argument);
            const std::wstring& value = arguments[++i];
            if (argument == L"--banner")
                options.banner = value;
            else if (argument == L"--icon")
                options.icon = value;
            else if (argument == L"--version-info")
                AddVersionString(options.versionInfo, value);
            else if (argument == L"--execution-level")
                options.executionLevel = ParseExecutionLevel(value);
            else if (argument == L"--compression")
                options.compression.method = ParseCompression(value).method;
            else if (argument == L"--lzx-window")
                options.compression.lzxWindow = ParseLzxWindow(value);
            else
                options.segmentSize = ParseSegmentSize(value);
        } else if (argument.size() > 1 && argument[0] == L'-') {
            Kestlib::ThrowError(L"Unknown option " + argument);
        } else {
            files.push_back(argument);
        }
    }
    if (options.help) return options;
    // Without a bootstrapper, the caller supplies the one shipped beside the packager.
    if (files.size() != 2 && files.size() != 3)
        Kestlib::ThrowError(L"Expected [the bootstrapper,] the configuration and the output file, got " +
                            std::to_wstring(files.size()) + L" file name(s)");
    if (files.size() == 3) options.bootstrapper = files[0];
    options.configuration = files[files.size() - 2];
    options.output = files.back();
    return options;
}

std::wstring PackagerUsage() {
    return L"Usage: bootwright-pack [--compression METHOD] [--lzx-window BITS] [--segment-size SIZE]\n"
           L"                      [--banner FILE] [--icon FILE]\n"
           L"                      [--version-info KEY=VALUE]... [--execution-level LEVEL]\n"
           L"                      [BOOTSTRAPPER] CONFIGURATION OUTPUT\n"
           L"\n"
           L"Writes OUTPUT, a copy of the BOOTSTRAPPER executable that carries the CONFIGURATION\n"
           L"document and, as its payload, every file the document's <embedfile> entries name.\n"
           L"Without BOOTSTRAPPER, bootwright.exe beside the packager is used.\n"
           L"\n"
           L"  --compression METHOD lzx (the default), mszip or none\n"
           L"  --lzx-window BITS    LZX's window: 15 to 21 for 2^15 to 2^21 bytes (default 21)\n"
           L"  --segment-size SIZE  largest cabinet of the payload: bytes, or a number with K or M\n"
           L"                       (default 16M, from 36K to 2047M)\n"
           L"  --banner FILE        a bitmap file shown by the main dialog\n"
           L"  --icon FILE          an .ico file, every size in it, as the program's icon\n"
           L"  --version-info KEY=VALUE\n"
           L"                       a version information string, repeatable: ProductName,\n"
           L"                       ProductVersion, FileVersion, CompanyName, FileDescription,\n"
           L"                       LegalCopyright, OriginalFilename, InternalName, Comments,\n"
           L"                       LegalTrademarks, PrivateBuild, SpecialBuild; FileVersion and\n"
           L"                       ProductVersion are 1 to 4 numbers (0-65535) with dots between\n"
           L"  --execution-level LEVEL\n"
           L"                       the rights the setup asks Windows for when it starts: asInvoker,\n"
           L"                       highestAvailable or requireAdministrator (the default)\n"
           L"  --help               this text\n"
           L"\n"
           L"A sourcefilepath is read relative to the document's folder unless it is absolute; a\n"
           L"targetfilepath is the path inside the payload (empty: the source's file name). The exit\n"
           L"code is 0 on success and 1 on any error; OUTPUT is only replaced when all went well.\n"
           L"The same input gives the same OUTPUT, byte for byte. File times are stored in UTC; when\n"
           L"SOURCE_DATE_EPOCH is set (seconds since 1970), later ones are stored as that time.\n";
}
