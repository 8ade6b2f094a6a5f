#include "payload/PayloadList.h"

#include <tinyxml.h>

#include <cwchar>

#include "base/XmlReading.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "payload/CabinetNames.h"
#include "payload/CabinetResources.h"

namespace {

bool IsAbsolute(const std::wstring& path) {
    return (path.size() >= 2 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

// SETUP_<number>.CAB in any case: extraction writes the segments under these
// names into the payload's root folder, and removes them afterwards.
bool IsSegmentFileName(const std::wstring& name) {
    const size_t prefix = sizeof(CabSegmentPrefix) / sizeof(wchar_t) - 1;
    if (name.size() <= prefix + 4 || ::_wcsnicmp(name.c_str(), CabSegmentPrefix, prefix) != 0 ||
        ::_wcsicmp(name.c_str() + name.size() - 4, L".CAB") != 0)
        return false;
    for (size_t i = prefix; i < name.size() - 4; ++i)
        if (name[i] < L'0' || name[i] > L'9') return false;
    return true;
}

PayloadFile ReadEntry(const std::wstring& folder, const TiXmlElement* element) {
    PayloadFile file;
    std::wstring source = XmlReading::Attribute(element, "sourcefilepath");
    std::wstring target = XmlReading::Attribute(element, "targetfilepath");
    if (source.empty()) Kestlib::ThrowError(L"An <embedfile> has no sourcefilepath");
    file.source = IsAbsolute(source) ? source : Kestlib::PathCombine(folder, source);
    file.target = target.empty() ? Kestlib::GetFileName(source) : target;
    Cabinet::RelativeName name;
    if (!Cabinet::SplitRelativeName(file.target, name))
        Kestlib::ThrowError(L"Invalid targetfilepath '" + file.target +
                            L"': it must be a relative path inside the payload");
    file.target = name.folder + name.file;
    if (name.folder.empty() && IsSegmentFileName(name.file))
        Kestlib::ThrowError(L"Invalid targetfilepath '" + file.target +
                            L"': SETUP_<number>.CAB at the payload's root is the name of a payload segment");
    if (!Kestlib::FileExists(file.source)) Kestlib::ThrowError(L"File not found: " + file.source);
    file.size = Kestlib::FileSize(file.source);
    // A cabinet holds files below 2 GB.
    if (file.size >= 0x80000000ULL)
        Kestlib::ThrowError(L"File too large for the payload: " + file.source +
                            L": a payload file must be smaller than 2 GB");
    return file;
}

}  // namespace

std::vector<PayloadFile> ReadEmbedFiles(const std::wstring& documentPath, const Kestlib::ByteVector& document) {
    Kestlib::ByteVector text = document;
    text.push_back('\0');
    TiXmlDocument xml;
    xml.Parse(text.data());
    if (xml.Error() || xml.RootElement() == nullptr) Kestlib::ThrowError(L"Error parsing " + documentPath);
    std::wstring folder = Kestlib::GetFileDirectory(documentPath);
    std::vector<PayloadFile> files;
    unsigned long long total = 0;
    XmlReading::ForEachChildElement(xml.RootElement(), [&](const TiXmlElement* configuration) {
        if (!XmlReading::IsNamed(configuration, "configuration") ||
            XmlReading::Attribute(configuration, "type") != L"install")
            return;
        XmlReading::ForEachChildElement(configuration, [&](const TiXmlElement* component) {
            if (!XmlReading::IsNamed(component, "component")) return;
            XmlReading::ForEachChildElement(component, [&](const TiXmlElement* entry) {
                if (!XmlReading::IsNamed(entry, "embedfile")) return;
                PayloadFile file = ReadEntry(folder, entry);
                for (const PayloadFile& other : files)
                    if (::_wcsicmp(other.target.c_str(), file.target.c_str()) == 0)
                        Kestlib::ThrowError(L"Two <embedfile> entries have the target '" + file.target + L"'");
                total += file.size;
                files.push_back(file);
            });
        });
    });
    // A setup executable, and each size in the payload list, stays below 2 GB.
    if (total >= 0x7FFFFFFFULL) Kestlib::ThrowError(L"The payload is too large: 2 GB or more");
    return files;
}

std::wstring PayloadListText(const std::vector<PayloadFile>& files) {
    std::uint64_t total = 0;
    for (const PayloadFile& file : files) total += file.size;
    std::wstring text = L"Total size: " + Kestlib::SizeToString(total) + L"\r\n";
    for (const PayloadFile& file : files) text += L"\r\n" + file.target + L" - " + Kestlib::SizeToString(file.size);
    return text;
}
