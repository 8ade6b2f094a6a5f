#include "components/Variables.h"

#include "components/ProgramVariables.h"
#include "components/RegistryReferences.h"
#include "lib/Process.h"

std::wstring ResolveVariables(const std::wstring& text) {
    return ExpandRegistryReferences(ExpandProgramVariables(Kestlib::ExpandEnvironmentReferences(text)));
}
