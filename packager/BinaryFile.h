#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "lib/Handles.h"

// A file read or written in large pieces through one handle; every failure
// throws the platform's error with the path.
class BinaryFile {
public:
    // A new, empty file in the path's place, for writing.
    static BinaryFile Create(const std::wstring& path);
    // An existing file, for reading (others may read it too).
    static BinaryFile Open(const std::wstring& path);
    // An existing file, for reading and writing in place.
    static BinaryFile Update(const std::wstring& path);

    void Write(const void* data, size_t size);
    void WriteAt(uint64_t at, const void* data, size_t size);
    // Up to size bytes from where the last read ended; 0 at the end.
    size_t Read(void* data, size_t size);
    uint64_t Size() const;
    // Times and attributes of the open file.
    BY_HANDLE_FILE_INFORMATION Information() const;
    void Seek(uint64_t at);
    void Close();
    const std::wstring& Path() const { return m_path; }

private:
    BinaryFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition);

    std::wstring m_path;
    Kestlib::FileHandle m_file;
};
