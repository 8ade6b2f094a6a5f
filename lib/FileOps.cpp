#include "lib/FileOps.h"

#include <string>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

// Queries the attributes; false when the entry or one of its folders is missing.
bool QueryAttributes(const std::wstring& path, DWORD& attributes) {
    attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return true;
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    ThrowSystemError(static_cast<long>(error), L"GetFileAttributesW: " + path);
}

}  // namespace

bool FileExists(const std::wstring& path) {
    DWORD attributes = 0;
    return QueryAttributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = 0;
    return QueryAttributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void FileDelete(const std::wstring& path) {
    if (!::DeleteFileW(path.c_str())) ThrowLastError(L"Error deleting \"" + path + L"\"");
}

void FileCopy(const std::wstring& source, const std::wstring& target) {
    if (!::CopyFileW(source.c_str(), target.c_str(), TRUE))
        ThrowLastError(L"Error copying \"" + source + L"\" to \"" + target + L"\"");
}

void FileMove(const std::wstring& source, const std::wstring& target) {
    if (FileExists(target)) FileDelete(target);
    if (!::MoveFileW(source.c_str(), target.c_str()))
        ThrowLastError(L"Error moving \"" + source + L"\" to \"" + target + L"\"");
}

std::uint64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        ThrowLastError(L"Error getting file attributes of " + path);
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

ByteVector FileReadAll(const std::wstring& path) {
    const std::uint64_t size = FileSize(path);
    if (size == 0) return ByteVector();
    // One read call takes a 32-bit count.
    if (size > 0xFFFFFFFFULL)
        ThrowError(L"File " + path + L" is too large to read at once (" + std::to_wstring(size) + L" bytes)");
    // Shared with readers only: a file the run holds (a downloaded document)
    // is read as well, and nobody writes it meanwhile.
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"Error opening \"" + path + L"\"");
    ByteVector bytes(static_cast<size_t>(size));
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(size), &read, nullptr))
        ThrowLastError(L"Error reading \"" + path + L"\"");
    if (read != static_cast<DWORD>(size))
        ThrowError(L"Invalid number of bytes read from \"" + path + L"\"");
    return bytes;
}

void FileWriteAll(const std::wstring& path, const ByteVector& bytes) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError(L"Error opening " + path);
    if (bytes.empty()) return;
    DWORD count = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data(), count, &written, nullptr))
        ThrowLastError(L"Error writing " + std::to_wstring(count) + L" byte(s) to \"" + path + L"\"");
    if (written != count) ThrowError(L"Invalid number of bytes written.");
}

std::wstring CreateTempFile() {
    std::wstring folder = GetTemporaryDirectory();
    wchar_t buffer[MAX_PATH];
    if (::GetTempFileNameW(folder.c_str(), L"bw", 0, buffer) == 0) ThrowLastError(L"GetTempFileNameW");
    return buffer;
}

}  // namespace Kestlib
