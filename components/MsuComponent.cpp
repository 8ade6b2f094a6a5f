#include "components/MsuComponent.h"

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/FileOps.h"
#include "lib/SystemError.h"

namespace {

// WU_S_ALREADY_INSTALLED: the update is on the machine already.
const unsigned long AlreadyInstalledExitCode = 0x240006;

bool SetsRestart(const std::wstring& parameter) {
    return InstallerSyntax::IsSwitch(parameter, L"norestart") ||
           InstallerSyntax::IsSwitch(parameter, L"forcerestart") ||
           InstallerSyntax::IsSwitch(parameter, L"promptrestart") ||
           InstallerSyntax::IsSwitch(parameter, L"warnrestart") ||
           InstallerSyntax::StartsWithNoCase(parameter, L"/warnrestart:");
}

bool NamesLog(const std::wstring& parameter) { return InstallerSyntax::StartsWithNoCase(parameter, L"/log:"); }

const InstallerSyntax Syntax = {L"/norestart", SetsRestart, L"/log:", NamesLog};

}  // namespace

void MsuComponent::Exec() { Start(BuildCommandLine(), SystemProgram(L"wusa.exe")); }

std::wstring MsuComponent::PackageLogInUse() const {
    return PackageLogUnlessNamed(cmdparameters_silent, cmdparameters_basic, cmdparameters, Syntax);
}

void MsuComponent::Load(const TiXmlElement* element) {
    CheckElement(element);
    package = XmlReading::ExpandedAttribute(element, "package");
    cmdparameters = XmlReading::ExpandedAttribute(element, "cmdparameters");
    cmdparameters_silent = XmlReading::ExpandedAttribute(element, "cmdparameters_silent");
    cmdparameters_basic = XmlReading::ExpandedAttribute(element, "cmdparameters_basic");
    Component::Load(element);
    LOG(L"Loaded 'msu' component '" << package << L"'");
}

void MsuComponent::CheckExitCode(unsigned long exitCode) const {
    if (exitCode == 0 || exitCode == AlreadyInstalledExitCode) return;
    Kestlib::ThrowSystemError(static_cast<long>(exitCode), L"Error executing '" + description + L"'");
}

std::wstring MsuComponent::BuildCommandLine() const {
    return L"wusa.exe \"" + Kestlib::PathCombine(Kestlib::GetCurrentDirectory(), package) + L"\"" +
           InstallerArguments(cmdparameters_silent, cmdparameters_basic, cmdparameters, Syntax);
}
