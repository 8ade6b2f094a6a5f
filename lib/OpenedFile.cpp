#include "lib/OpenedFile.h"

#include <cwchar>

#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace Kestlib {

std::wstring FinalPathOf(HANDLE file) {
    DWORD size = ::GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (size == 0) return std::wstring();
    std::wstring path(size, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file, &path[0], size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= size) return std::wstring();
    path.resize(length);
    if (StartsWith(path, L"\\\\?\\UNC\\")) return L"\\\\" + path.substr(8);
    if (StartsWith(path, L"\\\\?\\")) return path.substr(4);
    return path;
}

OpenedFile DescribeOpenedFile(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information;
    if (!::GetFileInformationByHandle(file, &information)) ThrowLastError(L"GetFileInformationByHandle");
    OpenedFile opened;
    opened.finalPath = FinalPathOf(file);
    opened.links = information.nNumberOfLinks;
    opened.attributes = information.dwFileAttributes;
    opened.volume = information.dwVolumeSerialNumber;
    opened.fileIndex = (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return opened;
}

OpenedFault CheckOpenedFile(const OpenedFile& opened, const std::wstring& expectedPath) {
    if (opened.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return OpenedFault::ReparsePoint;
    if (opened.links > 1) return OpenedFault::OtherNames;
    if (!expectedPath.empty() && _wcsicmp(opened.finalPath.c_str(), expectedPath.c_str()) != 0)
        return OpenedFault::OtherPath;
    return OpenedFault::None;
}

std::wstring OpenedFaultText(OpenedFault fault) {
    switch (fault) {
        case OpenedFault::ReparsePoint:
            return L"it is a link (reparse point)";
        case OpenedFault::OtherNames:
            return L"it has further names (hard links)";
        case OpenedFault::OtherPath:
            return L"it leads to another place";
        default:
            return std::wstring();
    }
}

void VerifyOpenedFile(HANDLE file, const std::wstring& expectedPath, const std::wstring& context) {
    OpenedFault fault = CheckOpenedFile(DescribeOpenedFile(file), expectedPath);
    if (fault != OpenedFault::None) ThrowError(context + L": " + OpenedFaultText(fault));
}

}  // namespace Kestlib
