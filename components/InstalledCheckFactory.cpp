#include "components/InstalledCheckFactory.h"

#include <tinyxml.h>

#include <cstring>

#include "base/XmlReading.h"
#include "components/InstalledCheckDirectory.h"
#include "components/InstalledCheckFile.h"
#include "components/InstalledCheckOperator.h"
#include "components/InstalledCheckProduct.h"
#include "components/InstalledCheckRegistry.h"
#include "lib/SystemError.h"

InstalledCheckPtr InstalledCheckFactory::Create(const std::wstring& type) {
    if (type == L"check_registry_value") return InstalledCheckPtr(new InstalledCheckRegistry());
    if (type == L"check_file") return InstalledCheckPtr(new InstalledCheckFile());
    if (type == L"check_directory") return InstalledCheckPtr(new InstalledCheckDirectory());
    if (type == L"check_product") return InstalledCheckPtr(new InstalledCheckProduct());
    Kestlib::ThrowError(L"Invalid installed check type '" + type + L"'");
}

InstalledCheckPtr InstalledCheckFactory::Load(const TiXmlElement* element) {
    InstalledCheckPtr check;
    if (std::strcmp(element->Value(), "installedcheck") == 0) {
        check = Create(XmlReading::Attribute(element, "type"));
    } else if (std::strcmp(element->Value(), "installedcheckoperator") == 0) {
        check = InstalledCheckPtr(new InstalledCheckOperator());
    } else {
        XmlReading::ThrowUnexpectedNode(element);
    }
    check->Load(element);
    return check;
}
