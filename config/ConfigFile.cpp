#include "config/ConfigFile.h"

#include "base/InstallerLog.h"
#include "config/NestingDepth.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"

void ConfigFile::LoadFile(const std::wstring& path) {
    LOG(L"Loading configuration file: " << path);
    Kestlib::ByteVector bytes = Kestlib::FileReadAll(path);
    if (bytes.empty()) Kestlib::ThrowError(L"Error loading file: " + path + L", file is empty");
    bytes.push_back('\0');
    LOG(L"Parsing: " << Kestlib::SizeToString(static_cast<unsigned long>(bytes.size())));
    Parse(bytes, L"Error loading configuration: ");
    Load(m_document.RootElement());
    m_filename = path;
}

void ConfigFile::LoadResource(const std::wstring& type, HMODULE module, const std::wstring& name) {
    Kestlib::ByteVector bytes = Kestlib::LoadResourceData(module, name, type);
    bytes.push_back('\0');
    Parse(bytes, L"Error parsing '" + name + L" resource: ");
    LOG(L"Loaded configuration from embedded resource '" << name << L"'");
    Load(m_document.RootElement());
    m_filename = L"Resource: " + name;
}

void ConfigFile::Parse(const Kestlib::ByteVector& bytes, const std::wstring& errorPrefix) {
    size_t tooDeep = FindExcessiveNesting(bytes.data(), MaxElementNesting);
    if (tooDeep != std::string::npos)
        Kestlib::ThrowError(errorPrefix + L"elements nested deeper than " + std::to_wstring(MaxElementNesting) +
                            L" levels at " + TextPosition(bytes.data(), tooDeep));
    m_document.Parse(bytes.data());
    if (m_document.Error())
        Kestlib::ThrowError(errorPrefix + Kestlib::AnsiToWide(m_document.ErrorDesc()) + ErrorPosition());
}

// The parser keeps a zero-based position and reports it counted from one.
std::wstring ConfigFile::ErrorPosition() const {
    return L" at " + std::to_wstring(m_document.ErrorRow()) + L":" + std::to_wstring(m_document.ErrorCol());
}
