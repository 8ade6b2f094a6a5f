#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Kestlib {

// The folders a program named by a command line may come from.
struct ProgramFolders {
    std::wstring system;
    // The shared Windows folder.
    std::wstring windows;
    // The folder of the running program.
    std::wstring application;
    std::wstring current;
    // The folders of PATH, as listed.
    std::vector<std::wstring> path;
};

// The full path of the program a command line names; empty when none of the
// folders searched holds it. Which text is the program, as written:
// - the text inside leading double quotes;
// - unquoted, the first word, unless that word is a folder path without a
//   program extension (.exe, .com, .bat, .cmd) and a later word ends with one
//   before any word that starts with / or -: the program is then everything
//   up to that word, blanks included. The text alone decides, so no file put
//   somewhere can make a shorter or longer part the program.
// Where it is looked for (".exe" added when its last part has no extension):
// - a full path is itself;
// - a bare name in the system folder, the Windows folder, the application's
//   folder, then PATH; never in the current folder;
// - a relative path starting with . or .. in the current folder;
// - another relative path in the application's folder, the current folder,
//   the system folder, the Windows folder, then PATH.
// Entries of PATH that are not full paths are skipped.
std::wstring FindCommandProgram(const std::wstring& commandLine, const ProgramFolders& folders,
                                const std::function<bool(const std::wstring&)>& isFile);

// FindCommandProgram with this process's folders and files.
std::wstring CommandProgram(const std::wstring& commandLine);

// Sets NoDefaultCurrentDirectoryInExePath in the process's environment, which
// every program it starts inherits: the platform's own search for a program
// by a bare name (in this process, and in scripts and programs started from
// it) then leaves out the current folder.
void KeepCurrentFolderOutOfProgramSearch();

}  // namespace Kestlib
