#include "sequence/RebootCommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

#include "base/InstallerLauncher.h"
#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/StringUtils.h"
#include "lib/SystemError.h"

namespace {

const wchar_t RebootCountOption[] = L"/RebootCount";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// The text without the option and its value, which the program itself wrote
// into an earlier resume command line; the options around it stay as typed.
std::wstring WithoutRebootCount(std::wstring text) {
    const std::wstring::size_type length = std::char_traits<wchar_t>::length(RebootCountOption);
    std::wstring::size_type at = 0;
    while (at + length <= text.size()) {
        const bool starts = at == 0 || IsBlank(text[at - 1]);
        if (!starts || ::_wcsnicmp(text.c_str() + at, RebootCountOption, length) != 0 ||
            (at + length < text.size() && !IsBlank(text[at + length]))) {
            ++at;
            continue;
        }
        std::wstring::size_type end = at + length;
        while (end < text.size() && IsBlank(text[end])) ++end;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        std::wstring::size_type begin = at;
        while (begin > 0 && IsBlank(text[begin - 1])) --begin;
        text.erase(begin, end - begin);
        at = begin;
    }
    return text;
}

// The arguments are passed on as typed, quotes included: the text after the
// program name, which the platform's split took out of its quotes.
std::wstring TypedArguments(const RebootCommandLineParts& parts) {
    size_t skip = parts.programName.size();
    if (!parts.commandLine.empty() && parts.commandLine[0] == L'"') skip += 2;
    if (skip >= parts.commandLine.size()) return std::wstring();
    return Kestlib::Trim(parts.commandLine.substr(skip), L" \t\n\r");
}

}  // namespace

std::wstring BuildRebootCommandLine(const RebootCommandLineParts& parts, const std::wstring& rebootCmd) {
    std::wstring command =
        L"\"" + (parts.launcherPath.empty() ? parts.programPath : parts.launcherPath) + L"\"";
    if (parts.argumentCount > 1) {
        const std::wstring typed = Kestlib::Trim(WithoutRebootCount(TypedArguments(parts)), L" \t\n\r");
        if (!typed.empty()) command += L" " + typed;
    }
    if (!parts.launcherArgs.empty()) command += L" " + parts.launcherArgs;
    if (!rebootCmd.empty()) command += L" " + rebootCmd;
    if (command.find(L"/Reboot") == std::wstring::npos) command += L" /Reboot";
    if (!parts.rebootCount.empty()) command += std::wstring(L" ") + RebootCountOption + L" " + parts.rebootCount;
    return command;
}

std::wstring BuildRebootCommandLine(const std::wstring& rebootCmd, const std::wstring& rebootCount) {
    RebootCommandLineParts parts;
    const InstallerLauncher& launcher = InstallerLauncher::Instance();
    parts.launcherPath = launcher.GetPath();
    parts.launcherArgs = launcher.GetArgs();
    parts.rebootCount = rebootCount;
    parts.programPath = Kestlib::GetModuleFileName();
    parts.commandLine = ::GetCommandLineW();
    int count = 0;
    LPWSTR* vector = ::CommandLineToArgvW(parts.commandLine.c_str(), &count);
    if (!vector) Kestlib::ThrowLastError(L"CommandLineToArgvW");
    const Kestlib::LocalMemory holder(reinterpret_cast<HLOCAL>(vector));
    parts.argumentCount = count;
    if (count > 0) parts.programName = vector[0];
    return BuildRebootCommandLine(parts, rebootCmd);
}
