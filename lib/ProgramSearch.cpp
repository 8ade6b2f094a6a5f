#include "lib/ProgramSearch.h"

#include <windows.h>

#include <cwctype>

#include "lib/FileOps.h"
#include "lib/Process.h"
#include "lib/StringUtils.h"

namespace Kestlib {

namespace {

const wchar_t kBlanks[] = L" \t";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring LastPart(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

bool HasProgramExtension(const std::wstring& word) {
    const std::wstring name = LastPart(word);
    if (name.size() < 4) return false;
    std::wstring extension = name.substr(name.size() - 4);
    for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
    return extension == L".exe" || extension == L".com" || extension == L".bat" || extension == L".cmd";
}

// No folder and no drive: the platform searches its folders for it.
bool IsBareName(const std::wstring& name) { return name.find_first_of(L"\\/:") == std::wstring::npos; }

// A drive with a root, or a network path.
bool IsFullPath(const std::wstring& name) {
    return (name.size() >= 3 && std::iswalpha(name[0]) && name[1] == L':' && IsSeparator(name[2])) ||
           (name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1]));
}

bool StartsFromCurrentFolder(const std::wstring& name) {
    return StartsWith(name, L".\\") || StartsWith(name, L"./") || StartsWith(name, L"..\\") || StartsWith(name, L"../");
}

std::vector<std::wstring> PathFolders() {
    std::vector<std::wstring> folders;
    for (const std::wstring& entry : SplitString(EnvironmentVariableValue(L"PATH"), L";"))
        folders.push_back(Trim(entry, L"\""));
    return folders;
}

// The program as the command line writes it.
std::wstring CommandProgramName(const std::wstring& commandLine) {
    const size_t start = commandLine.find_first_not_of(kBlanks);
    if (start == std::wstring::npos) return std::wstring();
    if (commandLine[start] == L'"') {
        const size_t end = commandLine.find(L'"', start + 1);
        return commandLine.substr(start + 1, end - start - 1);
    }
    size_t end = commandLine.find_first_of(kBlanks, start);
    // A count past the end (from npos) takes the rest of the text.
    const std::wstring first = commandLine.substr(start, end - start);
    if (IsBareName(first) || HasProgramExtension(first)) return first;
    while (end != std::wstring::npos) {
        const size_t wordStart = commandLine.find_first_not_of(kBlanks, end);
        if (wordStart == std::wstring::npos) break;
        end = commandLine.find_first_of(kBlanks, wordStart);
        const std::wstring word = commandLine.substr(wordStart, end - wordStart);
        if (word[0] == L'/' || word[0] == L'-') break;
        if (HasProgramExtension(word)) return commandLine.substr(start, end - start);
    }
    return first;
}

}  // namespace

std::wstring FindCommandProgram(const std::wstring& commandLine, const ProgramFolders& folders,
                                const std::function<bool(const std::wstring&)>& isFile) {
    const std::wstring name = CommandProgramName(commandLine);
    if (name.empty()) return std::wstring();
    const std::wstring file = LastPart(name).find(L'.') == std::wstring::npos ? name + L".exe" : name;
    if (IsFullPath(file)) return isFile(file) ? file : std::wstring();

    std::vector<std::wstring> searched;
    if (IsBareName(file)) {
        searched = {folders.system, folders.windows, folders.application};
    } else if (StartsFromCurrentFolder(file)) {
        searched = {folders.current};
    } else {
        searched = {folders.application, folders.current, folders.system, folders.windows};
    }
    if (!StartsFromCurrentFolder(file)) searched.insert(searched.end(), folders.path.begin(), folders.path.end());
    for (const std::wstring& folder : searched) {
        // A relative entry would bring the current folder back in.
        if (!IsFullPath(folder)) continue;
        const std::wstring candidate = PathCombine(folder, file);
        if (isFile(candidate)) return candidate;
    }
    return std::wstring();
}

std::wstring CommandProgram(const std::wstring& commandLine) {
    const ProgramFolders folders = {GetSystemDirectory(), GetSystemWindowsDirectory(), GetModuleDirectory(),
                                    GetCurrentDirectory(), PathFolders()};
    return FindCommandProgram(commandLine, folders, FileExists);
}

void KeepCurrentFolderOutOfProgramSearch() { ::SetEnvironmentVariableW(L"NoDefaultCurrentDirectoryInExePath", L"1"); }

}  // namespace Kestlib
