// bootwright-pack: builds a setup executable from the bootstrapper, a
// configuration document and the files the document embeds.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "lib/DllSearch.h"
#include "lib/FileOps.h"
#include "lib/Process.h"
#include "lib/TextConversion.h"
#include "packager/PackagerOptions.h"
#include "packager/SetupPackager.h"

namespace {

// Console text as the console wants it; UTF-8 into a pipe or file.
void Print(DWORD stream, const std::wstring& text) {
    HANDLE handle = ::GetStdHandle(stream);
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        ::WriteConsoleW(handle, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::string bytes = Kestlib::WideToUtf8(text);
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::vector<std::wstring> Arguments() {
    int count = 0;
    wchar_t** list = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 1; list != nullptr && i < count; ++i) arguments.push_back(list[i]);
    ::LocalFree(list);
    return arguments;
}

}  // namespace

int main() {
    Kestlib::RestrictDllSearchToSystemFolder();
    // The document reader logs; the packager's log is its own and goes away.
    std::wstring log = Kestlib::GetTemporaryDirectory() + L"bootwright-pack-" +
                       std::to_wstring(::GetCurrentProcessId()) + L".log";
    InstallerLog::Instance().SetPath(log);
    int result = 0;
    try {
        PackagerOptions options = ParsePackagerArguments(Arguments());
        std::wstring epoch = Kestlib::EnvironmentVariableValue(L"SOURCE_DATE_EPOCH");
        if (!epoch.empty()) SetSourceDateEpoch(options, epoch);
        if (options.bootstrapper.empty())
            options.bootstrapper = Kestlib::GetModuleDirectory() + L"bootwright.exe";
        if (options.help) {
            Print(STD_OUTPUT_HANDLE, PackagerUsage());
        } else {
            SetupPackager packager(options, [](const std::wstring& line) { Print(STD_OUTPUT_HANDLE, line + L"\n"); });
            packager.Run();
        }
    } catch (const std::exception& error) {
        Print(STD_ERROR_HANDLE, L"Error: " + Kestlib::AnsiToWide(error.what()) + L"\n");
        result = 1;
    }
    InstallerLog::Release();
    ::DeleteFileW(log.c_str());
    return result;
}
