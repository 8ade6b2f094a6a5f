#include "payload/DownloadTarget.h"

#include "lib/SystemError.h"

DownloadTarget::DownloadTarget(std::wstring path, std::wstring context)
    : m_path(std::move(path)), m_context(std::move(context)) {}

void DownloadTarget::Begin(bool fromZero) {
    if (!m_file) {
        // Readers may look (the checksum reads the file by its name); nobody else writes.
        m_file.Reset(::CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_file) Kestlib::ThrowLastError(m_context);
        m_size = 0;
        validator.clear();
        total = 0;
        return;
    }
    if (!fromZero) return;
    validator.clear();
    total = 0;
    if (m_size == 0) return;
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(m_file.Get(), start, nullptr, FILE_BEGIN) || !::SetEndOfFile(m_file.Get()))
        Kestlib::ThrowLastError(m_context);
    m_size = 0;
}

void DownloadTarget::Append(const void* data, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(m_file.Get(), data, size, &written, nullptr) || written != size)
        Kestlib::ThrowLastError(m_context);
    m_size += size;
}

void DownloadTarget::Close() { m_file.Reset(); }

void DownloadTarget::Discard() {
    m_file.Reset();
    m_size = 0;
    validator.clear();
    total = 0;
    // No error page may pass for the file, not even one left by an earlier run;
    // a file that cannot go is reported by whatever uses it next.
    ::DeleteFileW(m_path.c_str());
}
