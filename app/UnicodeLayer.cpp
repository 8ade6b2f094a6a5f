#include "app/UnicodeLayer.h"

#include <windows.h>

#if !defined(_WIN64)

#include <string>

#include "lib/Handles.h"

namespace {

const char kLibrary[] = "unicows.dll";

// The high bit of the version marks the systems that lack the wide interfaces.
bool HasWideInterfaces() { return (::GetVersion() & 0x80000000u) == 0; }

// The copy carried in the program, written once into the temporary folder.
HMODULE LoadFromResource() {
    HRSRC resource = ::FindResourceA(nullptr, "RES_UNICOWS", "CUSTOM");
    HGLOBAL loaded = resource ? ::LoadResource(nullptr, resource) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    DWORD size = resource ? ::SizeofResource(nullptr, resource) : 0;
    char folder[MAX_PATH] = {};
    DWORD length = ::GetTempPathA(MAX_PATH, folder);
    if (!bytes || length == 0 || length >= MAX_PATH) return nullptr;
    std::string path = std::string(folder) + kLibrary;
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        bool complete = false;
        {
            Kestlib::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) return nullptr;
            DWORD written = 0;
            complete = ::WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
        }
        if (!complete) {
            ::DeleteFileA(path.c_str());
            return nullptr;
        }
    }
    return ::LoadLibraryA(path.c_str());
}

}  // namespace

bool LoadUnicodeLayerIfNeeded() {
    if (HasWideInterfaces()) return true;
    if (::LoadLibraryA(kLibrary) || LoadFromResource()) return true;
    ::MessageBoxA(nullptr, "Error loading unicows.dll (Microsoft Layer for Unicode, MSLU)", "Bootwright",
                  MB_OK | MB_ICONERROR);
    return false;
}

#else

bool LoadUnicodeLayerIfNeeded() { return true; }

#endif
