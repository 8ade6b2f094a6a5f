#pragma once

#include <windows.h>
#include <tinyxml.h>

#include <string>

#include "config/Configurations.h"
#include "lib/FileOps.h"

// The document embedded in the setup executable.
const wchar_t ConfigurationResourceType[] = L"CUSTOM";
const wchar_t ConfigurationResourceName[] = L"RES_CONFIGURATION";

// One configuration document, read from a file or from a resource of an
// executable. The parsed document stays alive as long as the object.
class ConfigFile : public Configurations {
public:
    void LoadFile(const std::wstring& path);
    void LoadResource(const std::wstring& type, HMODULE module, const std::wstring& name);

    // Where the document came from; empty until it has been loaded.
    const std::wstring& GetFilename() const { return m_filename; }

private:
    // Parses NUL-terminated bytes; a document nested too deeply for the parser,
    // or one it reports an error for, fails with errorPrefix before the reason.
    void Parse(const Kestlib::ByteVector& bytes, const std::wstring& errorPrefix);
    std::wstring ErrorPosition() const;

    TiXmlDocument m_document;
    std::wstring m_filename;
};
