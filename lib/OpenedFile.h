#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace Kestlib {

// What an open handle really reaches, whatever name it was opened by.
struct OpenedFile {
    std::wstring finalPath;  // without the "\\?\" prefix
    DWORD links = 0;
    DWORD attributes = 0;
    DWORD volume = 0;
    uint64_t fileIndex = 0;
};

OpenedFile DescribeOpenedFile(HANDLE file);

// Why a handle must not be written or deleted through; None when it may.
enum class OpenedFault { None, ReparsePoint, OtherNames, OtherPath };

// A file opened to be written where others can write: not a reparse point
// (symbolic link, junction, mount point), no further hard link that would
// carry the write elsewhere, and, unless expectedPath is empty, the path that
// was asked for (compared whole, without regard to case).
OpenedFault CheckOpenedFile(const OpenedFile& opened, const std::wstring& expectedPath);
// Throws "<context>: <fault>" for any fault.
void VerifyOpenedFile(HANDLE file, const std::wstring& expectedPath, const std::wstring& context);
std::wstring OpenedFaultText(OpenedFault fault);

// The path the platform reaches for a name, with every link of its folders
// followed ("\\?\" removed); empty when it cannot tell.
std::wstring FinalPathOf(HANDLE file);

}  // namespace Kestlib
