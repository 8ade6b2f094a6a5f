#include "tests/support/UnixCommand.h"

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "tests/support/TestEnvironment.h"

namespace TestSupport {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

std::string UnixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) throw std::runtime_error("not running under Wine");
    char* unix = convert(path.c_str());
    if (unix == nullptr) throw std::runtime_error("no Unix path for a Windows path");
    std::string result = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

int RunUnixCommand(const std::string& command, std::string* output, unsigned milliseconds) {
    TempFolder folder;
    const std::string status = UnixPath(folder / L"status");
    const std::string log = UnixPath(folder / L"output");
    std::string script = "(" + command + ") > " + Quoted(log) + " 2>&1; echo $? > " + Quoted(status + ".new") +
                         "; mv " + Quoted(status + ".new") + " " + Quoted(status);
    // Wine splits the line into arguments by the platform's rules: only a
    // double quote needs a backslash.
    std::wstring line = L"/bin/sh -c \"";
    for (char c : script) {
        if (c == '"') line += L'\\';
        line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    line += L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        throw std::runtime_error("cannot start /bin/sh");
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    std::string code;
    if (!WaitAndReadFile(folder / L"status", &code, milliseconds)) return -1;
    if (output != nullptr) *output = ReadTextFile(folder / L"output");
    return std::atoi(code.c_str());
}

}  // namespace TestSupport
