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

// The platform loads bitmaps with these options only from files, so the
// resource passes through a temporary file that never outlives the call.
HBITMAP LoadBitmapResource(HMODULE module, const std::wstring& name, const std::wstring& type) {
    ByteVector bytes = LoadResourceData(module, name, type);
    std::wstring path = CreateTempFile();
    HBITMAP bitmap = nullptr;
    try {
        FileWriteAll(path, bytes);
        bitmap = LoadBitmapFile(path);
    } catch (...) {
        ::DeleteFileW(path.c_str());
        throw;
    }
    try {
        FileDelete(path);
    } catch (...) {
        ::DeleteObject(bitmap);
        throw;
    }
    return bitmap;
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
