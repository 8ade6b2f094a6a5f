#include "lib/HeldFile.h"

#include <utility>

#include "lib/SystemError.h"

namespace Kestlib {

HeldFile::HeldFile(FileHandle writer, std::wstring path, std::wstring name)
    : m_file(std::move(writer)), m_path(std::move(path)), m_name(std::move(name)) {}

uint64_t HeldFile::Size() const {
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(m_file.Get(), &size)) ThrowLastError(L"Error reading the size of '" + m_path + L"'");
    return static_cast<uint64_t>(size.QuadPart);
}

void HeldFile::Seal() {
    if (m_sealed) return;
    const std::wstring context = L"Error holding '" + m_path + L"'";
    const uint64_t size = Size();
    // The writer refuses other writers, so this reader must let it write.
    FileHandle bridge(::ReOpenFile(m_file.Get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
    if (!bridge) ThrowLastError(context);
    OVERLAPPED whole = {};
    if (!::LockFileEx(bridge.Get(), LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
        ThrowLastError(context);
    m_file.Reset();
    // Fails while anyone else has the file open for writing.
    FileHandle held(::ReOpenFile(bridge.Get(), GENERIC_READ, FILE_SHARE_READ, 0));
    if (!held) ThrowLastError(context);
    bridge.Reset();
    m_file = std::move(held);
    m_sealed = true;
    if (Size() != size) ThrowSystemError(ERROR_SHARING_VIOLATION, context);
}

FileHandle HeldFile::OpenReader() const {
    FileHandle reader(::ReOpenFile(m_file.Get(), GENERIC_READ, FILE_SHARE_READ, 0));
    if (!reader) ThrowLastError(L"Error opening '" + m_path + L"'");
    return reader;
}

}  // namespace Kestlib
