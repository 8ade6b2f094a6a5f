#include "tests/support/TestEnvironment.h"

#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace TestSupport {

namespace {

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(path.c_str());
}

}  // namespace

std::wstring BinDirectory() {
    wchar_t buffer[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::wstring ProgramDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    const DWORD length = ::GetEnvironmentVariableW(L"BOOTWRIGHT_PROGRAMS", buffer.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return BinDirectory();
    std::wstring folder(buffer.data(), length);
    if (folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool ProgramsAre32Bit() {
    DWORD type = 0;
    if (!::GetBinaryTypeW((ProgramDirectory() + L"bootwright.exe").c_str(), &type))
        throw std::runtime_error("cannot read the machine type of bootwright.exe");
    return type == SCS_32BIT_BINARY;
}

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        std::wstring candidate = std::wstring(temp) + L"bwtest-" +
                                 std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                 std::to_wstring(++counter);
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            m_path = candidate;
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("cannot create temp folder");
    }
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

std::wstring TempFolder::operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

void WriteTextFile(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file");
}

std::string ReadTextFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool WaitAndReadFile(const std::wstring& path, std::string* content, unsigned milliseconds) {
    for (unsigned waited = 0;; waited += 50) {
        std::ifstream in(path.c_str(), std::ios::binary);
        if (in.is_open()) {
            std::ostringstream read;
            read << in.rdbuf();
            *content = read.str();
            return true;
        }
        if (waited >= milliseconds) return false;
        ::Sleep(50);
    }
}

ScopedVariable::ScopedVariable(const wchar_t* name, const std::wstring& value) : m_name(name) {
    std::vector<wchar_t> buffer(32767);
    DWORD length = ::GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
    m_had = length > 0 && length < buffer.size();
    if (m_had) m_old.assign(buffer.data(), length);
    ::SetEnvironmentVariableW(name, value.c_str());
}

ScopedVariable::~ScopedVariable() { ::SetEnvironmentVariableW(m_name, m_had ? m_old.c_str() : nullptr); }

}  // namespace TestSupport
