#include "packager/BinaryFile.h"

#include <algorithm>

#include "lib/SystemError.h"

namespace {

// One call moves at most this much, whatever the size asked for.
const size_t kLargestCall = 1u << 30;

}  // namespace

BinaryFile::BinaryFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) : m_path(path) {
    m_file.Reset(::CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!m_file) Kestlib::ThrowLastError(L"Error opening '" + path + L"'");
}

BinaryFile BinaryFile::Create(const std::wstring& path) {
    return BinaryFile(path, GENERIC_WRITE | GENERIC_READ, 0, CREATE_ALWAYS);
}

BinaryFile BinaryFile::Open(const std::wstring& path) {
    return BinaryFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

BinaryFile BinaryFile::Update(const std::wstring& path) {
    return BinaryFile(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING);
}

void BinaryFile::Write(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        DWORD piece = static_cast<DWORD>(std::min(size, kLargestCall));
        DWORD written = 0;
        if (!::WriteFile(m_file.Get(), bytes, piece, &written, nullptr) || written != piece)
            Kestlib::ThrowLastError(L"Error writing '" + m_path + L"'");
        bytes += piece;
        size -= piece;
    }
}

void BinaryFile::WriteAt(uint64_t at, const void* data, size_t size) {
    Seek(at);
    Write(data, size);
}

size_t BinaryFile::Read(void* data, size_t size) {
    DWORD read = 0;
    if (!::ReadFile(m_file.Get(), data, static_cast<DWORD>(std::min(size, kLargestCall)), &read, nullptr))
        Kestlib::ThrowLastError(L"Error reading '" + m_path + L"'");
    return read;
}

uint64_t BinaryFile::Size() const {
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(m_file.Get(), &size)) Kestlib::ThrowLastError(L"Error reading '" + m_path + L"'");
    return static_cast<uint64_t>(size.QuadPart);
}

BY_HANDLE_FILE_INFORMATION BinaryFile::Information() const {
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!::GetFileInformationByHandle(m_file.Get(), &information))
        Kestlib::ThrowLastError(L"Error reading '" + m_path + L"'");
    return information;
}

void BinaryFile::Seek(uint64_t at) {
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(at);
    if (!::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN))
        Kestlib::ThrowLastError(L"Error reading '" + m_path + L"'");
}

void BinaryFile::Close() {
    HANDLE file = m_file.Release();
    if (file != INVALID_HANDLE_VALUE && !::CloseHandle(file)) Kestlib::ThrowLastError(L"Error writing '" + m_path + L"'");
}
