#include "base/ProgramVariables.h"

#include <windows.h>

#include "base/InstallerSession.h"
#include "lib/FileOps.h"
#include "lib/SystemError.h"

namespace {

// Only ASCII letters form names: every known name is plain ASCII, and a
// non-ASCII letter after '#' is then ordinary text.
bool IsNameLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Values are computed only for names that occur: #CABPATH may create a folder.
bool ProgramVariableValue(const std::wstring& name, std::wstring& value) {
    if (name == L"CABPATH")
        value = InstallerSession::Instance().GetCabPath();
    else if (name == L"APPPATH")
        value = Kestlib::GetModuleDirectory();
    else if (name == L"SYSTEMPATH")
        value = Kestlib::GetSystemDirectory();
    else if (name == L"WINDOWSPATH")
        value = Kestlib::GetWindowsDirectory();
    else if (name == L"SYSTEMWINDOWSPATH")
        value = Kestlib::GetSystemWindowsDirectory();
    else if (name == L"TEMPPATH")
        value = Kestlib::GetTemporaryDirectory();
    else if (name == L"GUID")
        value = InstallerSession::Instance().GetGuid();
    else if (name == L"PID")
        value = std::to_wstring(::GetCurrentProcessId());
    else
        return false;
    return true;
}

}  // namespace

std::wstring ExpandProgramVariables(const std::wstring& text) {
    std::wstring result = text;
    std::wstring::size_type position = 0;
    while ((position = result.find(L'#', position)) != std::wstring::npos) {
        std::wstring::size_type end = position + 1;
        while (end < result.size() && IsNameLetter(result[end])) ++end;
        if (end == position + 1) {
            ++position;
            continue;
        }
        std::wstring name = result.substr(position + 1, end - position - 1);
        std::wstring value;
        if (!ProgramVariableValue(name, value))
            Kestlib::ThrowError(L"Invalid variable #" + name + L" in '" + text + L"'");
        result.replace(position, end - position, value);
        position += value.size();
    }
    return result;
}
