#include "components/CmdComponent.h"

#include "base/InstallerLog.h"
#include "base/SelectByUILevel.h"
#include "base/XmlReading.h"

void CmdComponent::Exec() { Start(BuildCommandLine()); }

void CmdComponent::Load(const TiXmlElement* element) {
    CheckElement(element);
    command = XmlReading::ExpandedAttribute(element, "command");
    command_silent = XmlReading::ExpandedAttribute(element, "command_silent");
    command_basic = XmlReading::ExpandedAttribute(element, "command_basic");
    Component::Load(element);
    LOG(L"Loaded 'cmd' component '" << description << L"'");
}

void CmdComponent::CheckExitCode(unsigned long exitCode) const {
    if (exitCode == 0) return;
    ThrowExitCodeError(exitCode);
}

std::wstring CmdComponent::BuildCommandLine() const {
    std::wstring commandLine = SelectByUILevel(command_silent, command_basic, command);
    std::wstring arguments;
    if (FindComponentArguments(arguments)) {
        commandLine += L" " + arguments;
        LOG(L"-- Additional component arguments: " << arguments);
    }
    return commandLine;
}
