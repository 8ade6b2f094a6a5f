#include "components/OpenFileComponent.h"

#include "base/InstallerLog.h"
#include "base/XmlReading.h"
#include "lib/Process.h"

void OpenFileComponent::Exec() { Kestlib::ShellOpen(file, &result); }

void OpenFileComponent::Load(const TiXmlElement* element) {
    CheckElement(element);
    file = XmlReading::ExpandedAttribute(element, "file");
    Component::Load(element);
    LOG(L"Loaded 'openfile' component '" << file << L"'");
}
