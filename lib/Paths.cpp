#include "lib/FileOps.h"

#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace Kestlib {

namespace {

const wchar_t kFileScheme[] = L"file://";

// Runs a platform query that fills a MAX_PATH buffer and returns the length
// written, 0 on failure, or the length it would need when the buffer is short.
template <class Query>
std::wstring QueryPath(Query query, const std::wstring& context) {
    wchar_t buffer[MAX_PATH];
    UINT length = query(buffer, MAX_PATH);
    if (length == 0) ThrowLastError(context);
    if (length >= MAX_PATH) ThrowSystemError(ERROR_INSUFFICIENT_BUFFER, context);
    return std::wstring(buffer, length);
}

// Position of the last separator: a backslash when there is one, else a slash.
size_t LastSeparator(const std::wstring& path) {
    size_t position = path.rfind(L'\\');
    return position != std::wstring::npos ? position : path.rfind(L'/');
}

}  // namespace

std::wstring PathCombine(const std::wstring& directory, const std::wstring& file) {
    wchar_t buffer[MAX_PATH];
    if (::PathCombineW(buffer, directory.empty() ? nullptr : directory.c_str(),
                       file.empty() ? nullptr : file.c_str()) == nullptr)
        ThrowError(L"Error combining \"" + directory + L"\" and \"" + file + L"\"");
    return buffer;
}

std::wstring GetModuleFileName() {
    return QueryPath([](wchar_t* buffer, UINT size) { return ::GetModuleFileNameW(nullptr, buffer, size); },
                     L"GetModuleFileNameW");
}

std::wstring GetFileDirectory(const std::wstring& path) {
    if (StartsWith(path, kFileScheme))
        return kFileScheme + GetFileDirectory(path.substr(std::wstring(kFileScheme).size()));
    size_t separator = LastSeparator(path);
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring GetFileName(const std::wstring& path) {
    size_t separator = LastSeparator(path);
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring GetModuleDirectory() { return GetFileDirectory(GetModuleFileName()); }

std::wstring GetTemporaryDirectory() {
    return QueryPath([](wchar_t* buffer, UINT size) { return ::GetTempPathW(size, buffer); }, L"GetTempPathW");
}

std::wstring GetCurrentDirectory() {
    return QueryPath([](wchar_t* buffer, UINT size) { return ::GetCurrentDirectoryW(size, buffer); },
                     L"Error in GetCurrentDirectoryW");
}

std::wstring GetSystemDirectory() {
    return QueryPath([](wchar_t* buffer, UINT size) { return ::GetSystemDirectoryW(buffer, size); },
                     L"GetSystemDirectoryW");
}

std::wstring GetWindowsDirectory() {
    return QueryPath([](wchar_t* buffer, UINT size) { return ::GetWindowsDirectoryW(buffer, size); },
                     L"GetWindowsDirectoryW");
}

std::wstring GetSystemWindowsDirectory() {
    return QueryPath([](wchar_t* buffer, UINT size) { return ::GetSystemWindowsDirectoryW(buffer, size); },
                     L"GetSystemWindowsDirectoryW");
}

}  // namespace Kestlib
