#include "tests/support/ResultFiles.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "tests/support/TestEnvironment.h"

namespace TestSupport {

namespace {

void Record(const std::string& text) {
    wchar_t corpus[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"BOOTWRIGHT_DOCUMENT_CORPUS", corpus, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const std::wstring folder = std::wstring(corpus, length) + L"\\results";
    ::CreateDirectoryW(corpus, nullptr);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // FNV-1a: equal files share one name.
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    wchar_t name[32];
    std::swprintf(name, 32, L"\\%016llx.json", static_cast<unsigned long long>(hash));
    WriteTextFile(folder + name, text);
}

}  // namespace

std::string ReadResultFile(const std::wstring& path) {
    const std::string text = ReadTextFile(path);
    if (!text.empty()) Record(text);
    return text;
}

std::string ResultField(const std::string& text, const std::string& field, const std::string& component) {
    size_t from = 0;
    size_t to = text.find("\"components\"");
    if (!component.empty()) {
        from = text.find("\"description\": \"" + component + "\",");
        if (from == std::string::npos) return std::string();
        from = text.rfind('{', from);
        to = text.find('}', from);
    }
    const std::string key = "\"" + field + "\": ";
    const size_t at = text.find(key, from);
    if (at == std::string::npos || at > to) return std::string();
    const size_t start = at + key.size();
    const size_t end = text.find_first_of(",\n", start);
    return text.substr(start, end - start);
}

}  // namespace TestSupport
