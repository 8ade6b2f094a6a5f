#include "base/InstallerLog.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "lib/FileOps.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"

namespace {

const wchar_t kDefaultLogName[] = L"qvn12bs.log";

// The C runtime reports through errno, not the platform's last error.
[[noreturn]] void ThrowRuntimeError(const std::wstring& call, int error) {
    Kestlib::ThrowError(call + L" failed: C runtime error " + std::to_wstring(error) + L" (" +
                        Kestlib::AnsiToWide(std::strerror(error)) + L")");
}

// Local time as "%Y-%m-%d %H:%M:%S".
std::string TimeStamp() {
    errno = 0;
    __time64_t now = ::_time64(nullptr);
    if (now == -1) ThrowRuntimeError(L"_time64", errno);
    struct tm local;
    errno_t error = ::_localtime64_s(&local, &now);
    if (error != 0) ThrowRuntimeError(L"_localtime64_s", error);
    char buffer[128];
    size_t length = std::strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &local);
    // strftime sets nothing: its only failure is a result too long for the buffer.
    if (length == 0) Kestlib::ThrowError(L"strftime failed: the time stamp does not fit in 128 bytes");
    return std::string(buffer, length);
}

}  // namespace

void InstallerLog::TryWrite(const std::wstring& message) {
    try {
        Write(message);
    } catch (...) {
    }
}

void InstallerLog::Write(const std::wstring& message) {
    if (message.empty()) return;
    if (!m_file) Open();
    std::string line = TimeStamp() + "\t" + Kestlib::WideToAnsi(message) + "\r\n";
    DWORD written = 0;
    if (!::WriteFile(m_file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
        Kestlib::ThrowLastError(L"Error writing to \"" + m_path + L"\"");
}

// Opened once per run and held, shared for reading only, until the log is
// released: a second instance with the same file fails here.
void InstallerLog::Open() {
    if (m_path.empty()) m_path = Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), kDefaultLogName);
    std::wstring folder = Kestlib::GetFileDirectory(m_path);
    if (!folder.empty()) Kestlib::CreateDirectories(folder);
    Kestlib::FileHandle file(::CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD error = ::GetLastError();
        throw Kestlib::LogFileWriteException(Kestlib::WideToAnsi(m_path), error);
    }
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file.Get(), start, nullptr, FILE_END))
        Kestlib::ThrowLastError(L"Error writing to \"" + m_path + L"\"");
    m_file = std::move(file);
}
