#include "base/InstallerLog.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "lib/FileOps.h"
#include "lib/HeldFolder.h"
#include "lib/OpenedFile.h"
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
// released: a second instance with the same file fails here. The log's folder
// is usually one that ordinary processes can write to, so a name there that
// leads to another file (planted to make an elevated run write into it) is
// removed and a new file started under the same name; nothing is written
// through it, and the guard still works, since the name stays the same.
void InstallerLog::Open() {
    if (m_path.empty()) m_path = Kestlib::PathCombine(Kestlib::GetTemporaryDirectory(), kDefaultLogName);
    std::wstring folder = Kestlib::GetFileDirectory(m_path);
    if (!folder.empty()) Kestlib::CreateDirectories(folder);
    std::wstring replaced;
    for (int attempt = 1;; ++attempt) {
        // The name itself is opened, not what a reparse point at it leads to.
        Kestlib::FileHandle file(::CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        const DWORD error = ::GetLastError();
        Kestlib::OpenedFile found;
        if (file) {
            found = Kestlib::DescribeOpenedFile(file.Get());
        } else {
            // A junction or mount point at the name cannot be opened as a file.
            found.attributes = ::GetFileAttributesW(m_path.c_str());
            if (found.attributes == INVALID_FILE_ATTRIBUTES ||
                !(found.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                throw Kestlib::LogFileWriteException(Kestlib::WideToAnsi(m_path), error);
        }
        const Kestlib::OpenedFault fault = Kestlib::CheckOpenedFile(found, std::wstring());
        if (fault == Kestlib::OpenedFault::None) {
            LARGE_INTEGER start = {};
            if (!::SetFilePointerEx(file.Get(), start, nullptr, FILE_END))
                Kestlib::ThrowLastError(L"Error writing to \"" + m_path + L"\"");
            m_file = std::move(file);
            if (!replaced.empty())
                Write(L"The log file's name was removed and a new log started: " + replaced);
            return;
        }
        file.Reset();
        replaced = Kestlib::OpenedFaultText(fault);
        // Someone who keeps planting links faster than they are removed gets no log at all.
        if (attempt == 3 ||
            !Kestlib::HeldFolder::Open(folder.empty() ? L"." : folder).RemoveEntry(Kestlib::GetFileName(m_path)))
            Kestlib::ThrowError(L"The log file \"" + m_path + L"\" is a link that cannot be removed: " + replaced);
    }
}
