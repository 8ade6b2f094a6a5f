#pragma once

namespace Kestlib {

// Restricts every later DLL load of the process to the system folder, so a
// DLL put beside the program or in the current folder is never picked up.
// Where the loader has no such setting, at least the current folder leaves
// the search. Call it first thing at start-up; it cannot fail in a way the
// program could do anything about, so it reports nothing.
void RestrictDllSearchToSystemFolder();

}  // namespace Kestlib
