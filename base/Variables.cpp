#include "base/Variables.h"

#include "base/ProgramVariables.h"
#include "base/RegistryReferences.h"
#include "lib/Process.h"

std::wstring ResolveVariables(const std::wstring& text) {
    return ExpandRegistryReferences(ExpandProgramVariables(Kestlib::ExpandEnvironmentReferences(text)));
}
