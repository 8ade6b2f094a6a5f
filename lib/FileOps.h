#pragma once

#include <windows.h>
// Included here so that no later inclusion defines PathCombine again.
#include <shlwapi.h>

#include <cstdint>
#include <string>
#include <vector>

// The platform headers map these names to their W functions; here they are
// the library's own operations.
#undef PathCombine
#undef GetModuleFileName
#undef GetCurrentDirectory
#undef GetSystemDirectory
#undef GetWindowsDirectory
#undef GetSystemWindowsDirectory
#undef CreateDirectory

namespace Kestlib {

using ByteVector = std::vector<char>;

// Directory deletion flags.
enum : int {
    DeleteFiles = 1,
    DeleteSelf = 2,
    DeleteRecursive = 4,
};

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);
void FileDelete(const std::wstring& path);
void FileCopy(const std::wstring& source, const std::wstring& target);
void FileMove(const std::wstring& source, const std::wstring& target);
std::uint64_t FileSize(const std::wstring& path);
// Reads what one read call can take: files from 4 GB up are refused.
ByteVector FileReadAll(const std::wstring& path);
void FileWriteAll(const std::wstring& path, const ByteVector& bytes);
std::wstring CreateTempFile();
std::wstring PathCombine(const std::wstring& directory, const std::wstring& file);
std::wstring GetModuleFileName();
std::wstring GetFileDirectory(const std::wstring& path);
std::wstring GetFileName(const std::wstring& path);
std::wstring GetModuleDirectory();
std::wstring GetTemporaryDirectory();
std::wstring GetCurrentDirectory();
std::wstring GetSystemDirectory();
std::wstring GetWindowsDirectory();
std::wstring GetSystemWindowsDirectory();
// Returns the first folder that had to be created, empty when all existed.
std::wstring CreateDirectories(const std::wstring& path);
// Returns whether everything in the folder could be handled.
bool DeleteDirectory(const std::wstring& path, int flags);
HBITMAP LoadBitmapFile(const std::wstring& path);
ByteVector LoadResourceData(HMODULE module, const std::wstring& name, const std::wstring& type);

}  // namespace Kestlib
