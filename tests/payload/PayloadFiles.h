#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packager/CabinetWriter.h"
#include "tests/support/TestEnvironment.h"

// Files of a payload written into a source folder with set contents, times
// and attributes, and packed into cabinet sets.
namespace PayloadFiles {

struct File {
    std::wstring name;  // relative, as stored
    std::string bytes;
    DWORD attributes = FILE_ATTRIBUTE_ARCHIVE;
};

// Reproducible bytes; random ones do not compress, so they span cabinets.
inline std::string RandomBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

inline std::string TextBytes(size_t size) {
    std::string bytes;
    while (bytes.size() < size) bytes += "line " + std::to_string(bytes.size()) + " of a setup read-me\r\n";
    bytes.resize(size);
    return bytes;
}

// An even second, as the cabinet keeps times with two seconds' precision.
inline FILETIME StoredTime(int day) {
    SYSTEMTIME system = {};
    system.wYear = 2021;
    system.wMonth = 3;
    system.wDay = static_cast<WORD>(day);
    system.wHour = 10;
    system.wMinute = 20;
    system.wSecond = 30;
    FILETIME time;
    ::SystemTimeToFileTime(&system, &time);
    return time;
}

inline void CreateParents(const std::wstring& path) {
    for (size_t cut = path.find(L'\\', 3); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1))
        ::CreateDirectoryW(path.substr(0, cut).c_str(), nullptr);
}

inline void WriteFile(const std::wstring& folder, const File& file, int day) {
    std::wstring path = folder + L"\\" + file.name;
    CreateParents(path);
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(handle, file.bytes.data(), static_cast<DWORD>(file.bytes.size()), &written, nullptr))
        << ::GetLastError() << " " << testing::PrintToString(path);
    FILETIME time = StoredTime(day);
    ::SetFileTime(handle, &time, nullptr, &time);
    ::CloseHandle(handle);
    ::SetFileAttributesW(path.c_str(), file.attributes);
}

inline std::string ReadFile(const std::wstring& path) {
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes(::GetFileSize(handle, nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ::ReadFile(handle, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(handle);
    return bytes;
}

// A spanning set: text, random data in sub-folders, a read-only, a hidden
// and a system file.
inline std::vector<File> MixedPayload() {
    return {
        {L"readme.txt", TextBytes(60000), FILE_ATTRIBUTE_ARCHIVE},
        {L"bin\\data.bin", RandomBytes(150000, 1), FILE_ATTRIBUTE_ARCHIVE},
        {L"bin\\sub\\locked.dat", RandomBytes(40000, 2), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
        {L"hidden.txt", TextBytes(3000), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {L"docs\\notes.txt", TextBytes(500), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM},
    };
}

// Writes the files into source and packs them; returns the cabinets.
inline std::vector<std::wstring> Pack(const std::vector<File>& files, const std::wstring& source,
                                      const std::wstring& cabinets, unsigned long segmentSize) {
    ::CreateDirectoryW(cabinets.c_str(), nullptr);
    Cabinet::CabinetWriter writer(cabinets, segmentSize);
    int day = 1;
    for (const File& file : files) {
        WriteFile(source, file, day++);
        writer.AddFile(source + L"\\" + file.name, file.name);
    }
    return writer.Finish();
}

inline ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Every file is in the folder with its bytes, stored time and attributes.
inline void ExpectUnpacked(const std::vector<File>& files, const std::wstring& folder) {
    int day = 1;
    for (const File& file : files) {
        std::wstring path = folder + L"\\" + file.name;
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        EXPECT_TRUE(ReadFile(path) == file.bytes);
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(data.dwFileAttributes & 0x27, file.attributes & 0x27);
        EXPECT_EQ(Ticks(data.ftLastWriteTime), Ticks(StoredTime(day++)));
    }
}

}  // namespace PayloadFiles
