#include "lib/FileOps.h"

#include "lib/SystemError.h"

namespace Kestlib {

namespace {

const UINT kBitmapLoadFlags = LR_LOADFROMFILE | LR_DEFAULTSIZE | LR_VGACOLOR | LR_CREATEDIBSECTION;

}  // namespace

HBITMAP LoadBitmapFile(const std::wstring& path) {
    HANDLE image = ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, kBitmapLoadFlags);
    if (image == nullptr) ThrowLastError(L"Error loading \"" + path + L"\"");
    return static_cast<HBITMAP>(image);
}

ByteVector LoadResourceData(HMODULE module, const std::wstring& name, const std::wstring& type) {
    HRSRC resource = ::FindResourceW(module, name.c_str(), type.c_str());
    if (resource == nullptr) ThrowLastError(L"Invalid " + type + L" resource: " + name);
    HGLOBAL loaded = ::LoadResource(module, resource);
    if (loaded == nullptr) ThrowLastError(L"Missing " + type + L" resource: " + name);
    DWORD size = ::SizeofResource(module, resource);
    const char* data = static_cast<const char*>(::LockResource(loaded));
    if (data == nullptr) ThrowLastError(L"Cannot lock " + type + L" resource: " + name);
    return ByteVector(data, data + size);
}

}  // namespace Kestlib
