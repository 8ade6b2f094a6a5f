#include "payload/CabinetResources.h"

#include <cstring>

#include "lib/FileOps.h"
#include "lib/SystemError.h"

std::wstring SegmentName(int index) { return CabSegmentPrefix + std::to_wstring(index); }

int CountSegments(HMODULE module) {
    int count = 0;
    while (::FindResourceW(module, SegmentName(count + 1).c_str(), CabResourceType) != nullptr) ++count;
    return count;
}

Kestlib::StringList ListContents(HMODULE module) {
    Kestlib::ByteVector bytes = Kestlib::LoadResourceData(module, CabListResourceName, CabListResourceType);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    return Kestlib::SplitString(text, L"\r\n");
}

ResourceBytes LockResourceBytes(HMODULE module, const std::wstring& name, const std::wstring& type) {
    HRSRC resource = ::FindResourceW(module, name.c_str(), type.c_str());
    if (resource == nullptr) Kestlib::ThrowLastError(L"Invalid " + type + L" resource: " + name);
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (loaded == nullptr) Kestlib::ThrowLastError(L"Missing " + type + L" resource: " + name);
    ResourceBytes bytes;
    bytes.size = ::SizeofResource(module, resource);
    bytes.data = static_cast<const char*>(::LockResource(loaded));
    if (bytes.data == nullptr) Kestlib::ThrowLastError(L"Cannot lock " + type + L" resource: " + name);
    return bytes;
}
