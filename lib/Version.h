#pragma once

#include <windows.h>

#include <string>

namespace Kestlib {

struct Version {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};

Version ParseVersion(const std::wstring& text);
// -1, 0 or 1 as left is older than, equal to or newer than right.
int CompareVersion(const std::wstring& left, const std::wstring& right);

// The fixed file information and the first translation of a file's version resource.
struct FileVersionInfo {
    explicit FileVersionInfo(const std::wstring& path);

    VS_FIXEDFILEINFO fixedInfo;
    DWORD translation;  // language id in the low word, code page in the high word
};

std::wstring GetFileVersionString(const std::wstring& path);

}  // namespace Kestlib
