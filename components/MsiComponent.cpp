#include "components/MsiComponent.h"

#include <cwctype>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/FileOps.h"
#include "lib/Guid.h"

namespace {

const unsigned long RebootRequiredExitCode = 3010;
// The package has started the restart itself (ERROR_SUCCESS_REBOOT_INITIATED).
const unsigned long RebootInitiatedExitCode = 1641;

// msiexec's own restart options, or the REBOOT property in any form.
bool SetsRestart(const std::wstring& parameter) {
    return InstallerSyntax::IsSwitch(parameter, L"norestart") ||
           InstallerSyntax::IsSwitch(parameter, L"forcerestart") ||
           InstallerSyntax::IsSwitch(parameter, L"promptrestart") ||
           InstallerSyntax::StartsWithNoCase(parameter, L"REBOOT=");
}

// /l with its mode letters (/l*v, /lv+, /Lie) or /log.
bool NamesLog(const std::wstring& parameter) {
    if (parameter.size() < 2 || (parameter[0] != L'/' && parameter[0] != L'-') || std::towlower(parameter[1]) != L'l')
        return false;
    for (size_t at = 2; at < parameter.size(); ++at) {
        const wchar_t c = parameter[at];
        if (!std::iswalpha(c) && c != L'*' && c != L'+' && c != L'!') return false;
    }
    return true;
}

const InstallerSyntax Syntax = {L"REBOOT=ReallySuppress", SetsRestart, L"/l*v ", NamesLog};

}  // namespace

void MsiComponent::Exec() { Start(BuildCommandLine(), SystemProgram(L"msiexec.exe")); }

bool MsiComponent::IsRebootRequired() const {
    const unsigned long exitCode = GetExitCode();
    return mustreboot || exitCode == RebootRequiredExitCode || exitCode == RebootInitiatedExitCode;
}

bool MsiComponent::HasStartedRestart() const { return GetExitCode() == RebootInitiatedExitCode; }

std::wstring MsiComponent::PackageLogInUse() const {
    return PackageLogUnlessNamed(cmdparameters_silent, cmdparameters_basic, cmdparameters, Syntax);
}

void MsiComponent::Load(const TiXmlElement* element) {
    CheckElement(element);
    package = XmlReading::ExpandedAttribute(element, "package");
    cmdparameters = XmlReading::ExpandedAttribute(element, "cmdparameters");
    cmdparameters_silent = XmlReading::ExpandedAttribute(element, "cmdparameters_silent");
    cmdparameters_basic = XmlReading::ExpandedAttribute(element, "cmdparameters_basic");
    Component::Load(element);
    LOG(L"Loaded 'msi' component '" << package << L"'");
}

void MsiComponent::CheckExitCode(unsigned long exitCode) const {
    if (exitCode == 0 || exitCode == RebootRequiredExitCode || exitCode == RebootInitiatedExitCode) return;
    ThrowExitCodeError(exitCode);
}

std::wstring MsiComponent::BuildCommandLine() const {
    // A product code names an installed product; anything else is a package
    // file, taken from the current folder when relative.
    const std::wstring target =
        Kestlib::IsGuidString(package) ? package : Kestlib::PathCombine(Kestlib::GetCurrentDirectory(), package);
    return L"msiexec /I \"" + target + L"\"" +
           InstallerArguments(cmdparameters_silent, cmdparameters_basic, cmdparameters, Syntax);
}
