#include "lib/Version.h"

#include <vector>

#include "lib/SystemError.h"
#include "lib/SystemLibrary.h"

namespace Kestlib {

namespace {

// The version library, loaded on first use and kept for the process.
struct VersionFunctions {
    SystemLibrary library{L"version.dll"};
    decltype(&::GetFileVersionInfoSizeW) getSize = library.Entry<decltype(getSize)>("GetFileVersionInfoSizeW");
    decltype(&::GetFileVersionInfoW) getInfo = library.Entry<decltype(getInfo)>("GetFileVersionInfoW");
    decltype(&::VerQueryValueW) queryValue = library.Entry<decltype(queryValue)>("VerQueryValueW");
};

const VersionFunctions& VersionLibrary() {
    static const VersionFunctions functions;
    return functions;
}

}  // namespace

FileVersionInfo::FileVersionInfo(const std::wstring& path) : fixedInfo(), translation(0) {
    const VersionFunctions& version = VersionLibrary();
    DWORD ignored = 0;
    DWORD size = version.getSize(path.c_str(), &ignored);
    if (size == 0) ThrowLastError(L"GetFileVersionInfoSize(" + path + L")");

    std::vector<BYTE> buffer(size);
    if (!version.getInfo(path.c_str(), 0, size, buffer.data()))
        ThrowLastError(L"GetFileVersionInfo(" + path + L")");

    void* block = nullptr;
    UINT length = 0;
    if (!version.queryValue(buffer.data(), L"\\", &block, &length)) ThrowLastError(L"VerQueryValue(" + path + L")");
    // A block shorter than the fixed record would be read past its end.
    if (length < sizeof(VS_FIXEDFILEINFO)) ThrowSystemError(ERROR_INVALID_DATA, L"VerQueryValue(" + path + L")");
    fixedInfo = *static_cast<const VS_FIXEDFILEINFO*>(block);

    const std::wstring translationContext = L"VerQueryValue(" + path + L", \\VarFileInfo\\Translation)";
    if (!version.queryValue(buffer.data(), L"\\VarFileInfo\\Translation", &block, &length))
        ThrowLastError(translationContext);
    // Exactly one translation is expected; a shorter table is as invalid as a longer one.
    if (length != sizeof(DWORD)) ThrowError(translationContext + L": invalid size");
    translation = *static_cast<const DWORD*>(block);
}

std::wstring GetFileVersionString(const std::wstring& path) {
    FileVersionInfo info(path);
    const DWORD high = info.fixedInfo.dwFileVersionMS;
    const DWORD low = info.fixedInfo.dwFileVersionLS;
    return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
           std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

}  // namespace Kestlib
