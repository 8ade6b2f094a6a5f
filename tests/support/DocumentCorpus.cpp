#include "tests/support/DocumentCorpus.h"

#include <windows.h>

#include <tinyxml.h>

#include <cstdint>
#include <cstdio>

#include "lib/Handles.h"

namespace TestSupport {

namespace {

// Where each fragment sits in the document, innermost first.
struct Enclosure {
    const char* root;
    const char* open;
    const char* close;
};

const Enclosure kEnclosures[] = {
    {"download", "<downloaddialog>", "</downloaddialog>"},
    {"fileattribute", "<fileattributes>", "</fileattributes>"},
    {"configfile", "<configuration type=\"reference\">", "</configuration>"},
    {"installedcheck", "<component type=\"cmd\">", "</component>"},
    {"installedcheckoperator", "<component type=\"cmd\">", "</component>"},
    {"embedfile", "<component type=\"cmd\">", "</component>"},
    {"downloaddialog", "<component type=\"cmd\">", "</component>"},
    {"component", "<configuration type=\"install\">", "</configuration>"},
    {"configuration", "<configurations>", "</configurations>"},
    {"schema", "<configurations>", "</configurations>"},
    {"fileattributes", "<configurations>", "</configurations>"},
};

std::string RootName(const std::string& xml) {
    TiXmlDocument document;
    document.Parse(xml.c_str());
    const TiXmlElement* root = document.RootElement();
    return root != nullptr ? std::string(root->Value()) : std::string();
}

// The text without its XML declaration, which may only open a document.
std::string WithoutDeclaration(const std::string& xml) {
    const size_t start = xml.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || xml.compare(start, 5, "<?xml") != 0) return xml;
    const size_t end = xml.find("?>", start);
    return end == std::string::npos ? xml : xml.substr(end + 2);
}

// FNV-1a: equal texts share one file name.
std::string ContentName(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.xml", static_cast<unsigned long long>(hash));
    return name;
}

std::wstring CorpusFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"BOOTWRIGHT_DOCUMENT_CORPUS", buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

}  // namespace

std::string WrapFragment(const std::string& xml) {
    std::string text = xml;
    for (;;) {
        const std::string root = RootName(text);
        const Enclosure* enclosure = nullptr;
        for (const Enclosure& candidate : kEnclosures)
            if (root == candidate.root) enclosure = &candidate;
        if (enclosure == nullptr) return text;
        text = std::string(enclosure->open) + WithoutDeclaration(text) + enclosure->close;
    }
}

void RecordAcceptedDocument(const std::string& xml) {
    const std::wstring folder = CorpusFolder();
    if (folder.empty()) return;
    const std::string document = WrapFragment(xml);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::string name = ContentName(document);
    const std::wstring path = folder + L"\\" + std::wstring(name.begin(), name.end());
    // Another test process may record the same text at the same time: the
    // first one writes it, and both would write the same bytes.
    Kestlib::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.Get(), document.data(), static_cast<DWORD>(document.size()), &written, nullptr);
}

}  // namespace TestSupport
