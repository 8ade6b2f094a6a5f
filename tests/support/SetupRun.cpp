#include "tests/support/SetupRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <stdexcept>

#include "lib/TextConversion.h"
#include "tests/support/DocumentCorpus.h"
#include "tests/support/TestEnvironment.h"

namespace TestSupport {

namespace {

const DWORD kTimedOutCode = 0xDEAD;
const DWORD kPatienceMs = 20000;
const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

bool WaitUntil(DWORD milliseconds, bool (*condition)(void*), void* context) {
    for (DWORD waited = 0; waited < milliseconds; waited += 10) {
        if (condition(context)) return true;
        ::Sleep(10);
    }
    return condition(context);
}

std::wstring TempFolderPath() {
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, length);
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

std::wstring Upper(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towupper(c); });
    return text;
}

std::wstring Variable(const std::wstring& name) {
    DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) return std::wstring();
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name.c_str(), &value[0], size));
    return value;
}

// The test's environment with these variables replaced or added, as a block.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::vector<std::wstring> entries;
    wchar_t* current = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = current; *entry != L'\0'; entry += wcslen(entry) + 1) {
        std::wstring text = entry;
        const size_t equals = text.find(L'=', 1);
        const std::wstring name = Upper(text.substr(0, equals));
        const bool replaced = std::any_of(changes.begin(), changes.end(),
                                          [&](const auto& change) { return Upper(change.first) == name; });
        if (!replaced) entries.push_back(text);
    }
    ::FreeEnvironmentStringsW(current);
    for (const auto& change : changes) entries.push_back(change.first + L"=" + change.second);
    std::wstring block;
    for (const std::wstring& entry : entries) block += entry + L'\0';
    block += L'\0';
    return block;
}

Kestlib::ProcessHandle Start(const std::wstring& application, std::wstring commandLine, const std::wstring& block,
                             const std::wstring& directory, DWORD* id, HANDLE output = nullptr) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
    }
    PROCESS_INFORMATION started = {};
    const auto create = [&] {
        return ::CreateProcessW(application.empty() ? nullptr : application.c_str(), &commandLine[0], nullptr,
                                nullptr, output != nullptr, CREATE_UNICODE_ENVIRONMENT,
                                block.empty() ? nullptr : const_cast<wchar_t*>(block.c_str()),
                                directory.empty() ? nullptr : directory.c_str(), &startup, &started);
    };
    // Wine very rarely fails to start a process at all, with ERROR_INTERNAL_ERROR
    // and no process made (seen about once in a few hundred starts under load):
    // nothing ran, so that start alone is tried once more. Every other failure counts.
    bool created = create();
    if (!created && ::GetLastError() == ERROR_INTERNAL_ERROR) {
        ::Sleep(500);
        created = create();
    }
    if (!created) {
        throw std::runtime_error("CreateProcessW failed with " + std::to_string(::GetLastError()) + ": " +
                                 Ansi(commandLine));
    }
    if (started.hThread != nullptr) ::CloseHandle(started.hThread);
    if (id != nullptr) *id = started.dwProcessId;
    return Kestlib::ProcessHandle(started.hProcess);
}

// The Wine loader as a Windows path: a Unix program started from a Windows
// one gets its Unix environment from the environment block.
std::wstring WineLoader() {
    std::wstring loader = Variable(L"WINELOADER");
    if (loader.empty()) throw std::runtime_error("WINELOADER is not set: not running under Wine");
    std::replace(loader.begin(), loader.end(), L'/', L'\\');
    return L"Z:" + loader;
}

struct RelayWait {
    std::wstring pidFile;
    DWORD pid;
};

bool RelayStarted(void* context) {
    auto* wait = static_cast<RelayWait*>(context);
    const std::string text = ReadTextFile(wait->pidFile);
    if (text.empty() || text.back() != '\n') return false;
    wait->pid = static_cast<DWORD>(std::stoul(text));
    return true;
}

std::wstring UniqueName(const wchar_t* base) {
    static LONG counter = 0;
    return std::wstring(base) + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(::InterlockedIncrement(&counter)) + L"-" + std::to_wstring(::GetTickCount());
}

struct DialogSearch {
    DWORD processId;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t windowClass[16] = {};
    ::GetClassNameW(window, windowClass, 16);
    if (owner != search->processId || std::wstring(windowClass) != L"#32770" || !::IsWindowVisible(window))
        return TRUE;
    if (!search->caption->empty()) {
        wchar_t title[512] = {};
        ::GetWindowTextW(window, title, 512);
        if (*search->caption != title) return TRUE;
    }
    search->found = window;
    return FALSE;
}

bool DialogFound(void* context) {
    auto* search = static_cast<DialogSearch*>(context);
    search->found = nullptr;
    ::EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(search));
    return search->found != nullptr;
}

}  // namespace

std::string Ansi(const std::wstring& text) { return Kestlib::WideToAnsi(text); }

std::wstring BootstrapperPath() { return ProgramDirectory() + L"bootwright.exe"; }

std::wstring PackagerPath() { return ProgramDirectory() + L"bootwright-pack.exe"; }

std::wstring PackageSetup(const std::wstring& folder, const std::string& document, const std::wstring& name,
                          const std::wstring& options) {
    const std::wstring documentPath = folder + L"\\setup.xml";
    const std::wstring outputPath = folder + L"\\" + name;
    const std::wstring reportPath = folder + L"\\" + name + L".pack.txt";
    WriteTextFile(documentPath, document);
    std::string report;
    DWORD exitCode = 1;
    {
        SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
        Kestlib::FileHandle output(::CreateFileW(reportPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!output) throw std::runtime_error("cannot create the packager's report file");
        const std::wstring packager = PackagerPath();
        Kestlib::ProcessHandle process =
            Start(packager, Quoted(packager) + (options.empty() ? L"" : L" " + options) + L" " +
                                Quoted(BootstrapperPath()) + L" " + Quoted(documentPath) + L" " + Quoted(outputPath),
                  std::wstring(), std::wstring(), nullptr, output.Get());
        if (::WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0) {
            ::TerminateProcess(process.Get(), 1);
            throw std::runtime_error("the packager did not end");
        }
        ::GetExitCodeProcess(process.Get(), &exitCode);
    }
    report = ReadTextFile(reportPath);
    ::DeleteFileW(reportPath.c_str());
    if (exitCode != 0) throw std::runtime_error("packaging failed (" + std::to_string(exitCode) + "): " + report);
    // The packager reads the document with the program's own reader.
    RecordAcceptedDocument(document);
    return outputPath;
}

SetupProcess::SetupProcess(const std::wstring& program, const SetupOptions& options) {
    const std::wstring commandLine = Quoted(program) + (options.arguments.empty() ? L"" : L" " + options.arguments);
    if (options.unixLocale.empty()) {
        m_process = Start(program, commandLine, EnvironmentBlock(options.environment), options.workingDirectory, &m_id);
        return;
    }
    // The relay starts the setup suspended, reports its id, and lets it run
    // once this process holds a handle to it: its exit code is never missed.
    RelayWait wait = {TempFolderPath() + UniqueName(L"bwtest-relay-") + L".pid", 0};
    const std::wstring goName = UniqueName(L"bwtest-relay-go-");
    Kestlib::KernelHandle go(::CreateEventW(nullptr, TRUE, FALSE, goName.c_str()));
    std::vector<std::pair<std::wstring, std::wstring>> environment = options.environment;
    environment.emplace_back(L"LC_ALL", options.unixLocale);
    environment.emplace_back(L"BWTEST_RELAY_COMMAND", commandLine);
    environment.emplace_back(L"BWTEST_RELAY_PID_FILE", wait.pidFile);
    environment.emplace_back(L"BWTEST_RELAY_GO_EVENT", goName);
    const std::wstring relay = BinDirectory() + L"run_in_locale.exe";
    // A Unix program started this way gives no handle back.
    Start(WineLoader(), L"wine64 " + Quoted(relay), EnvironmentBlock(environment), options.workingDirectory, nullptr);
    const bool started = WaitUntil(kPatienceMs, &RelayStarted, &wait);
    ::DeleteFileW(wait.pidFile.c_str());
    if (!started) throw std::runtime_error("run_in_locale.exe did not report the setup's process");
    m_id = wait.pid;
    m_process.Reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, m_id));
    ::SetEvent(go.Get());
    if (!m_process) throw std::runtime_error("cannot open the setup started by run_in_locale.exe");
}

SetupProcess::~SetupProcess() {
    if (m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process.Get(), kTimedOutCode);
        ::WaitForSingleObject(m_process.Get(), 5000);
    }
}

DWORD SetupProcess::Wait(DWORD milliseconds) {
    if (::WaitForSingleObject(m_process.Get(), milliseconds) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the setup did not end within " << milliseconds << " ms";
        ::TerminateProcess(m_process.Get(), kTimedOutCode);
        ::WaitForSingleObject(m_process.Get(), 5000);
        return kTimedOutCode;
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(m_process.Get(), &exitCode);
    return exitCode;
}

bool SetupProcess::HasEnded() const { return ::WaitForSingleObject(m_process.Get(), 0) == WAIT_OBJECT_0; }

DWORD RunSetup(const std::wstring& program, const SetupOptions& options, DWORD milliseconds) {
    return SetupProcess(program, options).Wait(milliseconds);
}

std::vector<std::string> ReadLogMessages(const std::wstring& path) {
    // The setup shares its open log for reading only while it runs.
    Kestlib::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<std::string> messages;
    if (!file) return messages;
    std::string content;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) content.append(buffer, read);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find("\r\n", start);
        if (end == std::string::npos) end = content.size();
        const std::string line = content.substr(start, end - start);
        const size_t tab = line.find('\t');
        messages.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
        start = end + 2;
    }
    return messages;
}

bool HasMessage(const std::vector<std::string>& messages, const std::string& message) {
    return std::find(messages.begin(), messages.end(), message) != messages.end();
}

bool HasMessageStartingWith(const std::vector<std::string>& messages, const std::string& prefix) {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string& message) { return message.compare(0, prefix.size(), prefix) == 0; });
}

size_t CountMessages(const std::vector<std::string>& messages, const std::string& message) {
    return static_cast<size_t>(std::count(messages.begin(), messages.end(), message));
}

std::string JoinMessages(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& message : messages) text += message + "\n";
    return text;
}

HWND FindProcessDialog(DWORD processId, const std::wstring& caption) {
    DialogSearch search = {processId, &caption, nullptr};
    WaitUntil(kPatienceMs, &DialogFound, &search);
    return search.found;
}

void Press(HWND dialog, int id) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::wstring MessageBoxText(HWND box) {
    wchar_t text[4096] = {};
    ::GetWindowTextW(::GetDlgItem(box, 0xFFFF), text, 4096);
    return text;
}

REGSAM ProgramRegistryView() { return ProgramsAre32Bit() ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

REGSAM OtherRegistryView() { return ProgramsAre32Bit() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

std::wstring RunValue(const std::wstring& name, REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t data[2048] = {};
    DWORD size = sizeof(data);
    const LSTATUS read = ::RegGetValueW(key, nullptr, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS ? std::wstring(data) : std::wstring();
}

void RemoveRunValue(const std::wstring& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE | ProgramRegistryView(), &key) != ERROR_SUCCESS)
        return;
    ::RegDeleteValueW(key, name.c_str());
    ::RegCloseKey(key);
}

}  // namespace TestSupport
