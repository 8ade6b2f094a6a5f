#include "components/ComponentFactory.h"

#include <tinyxml.h>

#include "base/XmlReading.h"
#include "components/CmdComponent.h"
#include "components/MsiComponent.h"
#include "components/MsuComponent.h"
#include "components/OpenFileComponent.h"
#include "lib/SystemError.h"

ComponentPtr ComponentFactory::Create(const std::wstring& type) {
    if (type == L"msi") return ComponentPtr(new MsiComponent());
    if (type == L"msu") return ComponentPtr(new MsuComponent());
    if (type == L"cmd") return ComponentPtr(new CmdComponent());
    if (type == L"openfile") return ComponentPtr(new OpenFileComponent());
    Kestlib::ThrowError(L"Unsupported component type: " + type);
}

ComponentPtr ComponentFactory::Load(const TiXmlElement* element) {
    XmlReading::CheckElement(element, "component");
    ComponentPtr component = Create(XmlReading::Attribute(element, "type"));
    component->Load(element);
    return component;
}
