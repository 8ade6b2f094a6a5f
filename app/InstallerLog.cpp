#include "app/InstallerLog.h"

#include <ctime>

#include "lib/FileOps.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"

namespace {

const wchar_t kDefaultLogName[] = L"qvn12bs.log";

// Local time as "%Y-%m-%d %H:%M:%S".
std::string TimeStamp() {
    __time64_t now = ::_time64(nullptr);
    if (now == -1) Kestlib::ThrowLastError(L"_time64");
    struct tm local;
    if (::_localtime64_s(&local, &now) != 0) Kestlib::ThrowLastError(L"_localtime64_s");
    char buffer[128];
    size_t length = std::strftime(buffer, sizeof(buffer), "%Y-%m-%d %H:%M:%S", &local);
    if (length == 0) Kestlib::ThrowLastError(L"strftime");
    return std::string(buffer, length);
}

}  // namespace

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
    if (!file) throw Kestlib::LogFileWriteException(Kestlib::WideToAnsi(m_path));
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(file.Get(), start, nullptr, FILE_END))
        Kestlib::ThrowLastError(L"Error writing to \"" + m_path + L"\"");
    m_file = std::move(file);
}
