#include "config/ReferenceConfiguration.h"

#include <tinyxml.h>

#include "base/InstallerLog.h"
#include "base/XmlReading.h"

void ReferenceConfiguration::Load(const TiXmlElement* element) {
    // The common part comes first: it checks the element and makes this
    // configuration's GUID, which the children's texts may refer to.
    Configuration::Load(element);
    XmlReading::ForEachChildElement(element, [this](const TiXmlElement* child) {
        if (XmlReading::IsNamed(child, "configfile")) {
            filename = XmlReading::ExpandedAttribute(child, "filename");
        } else if (XmlReading::IsNamed(child, "downloaddialog")) {
            DownloadDialogPtr dialog(new JoinedJob<DownloadDialog>());
            dialog->Load(child);
            downloaddialog = dialog;
        } else {
            XmlReading::ThrowUnexpectedNode(child);
        }
    });
    LOG(L"Loaded 'reference' configuration '" << filename << L"'");
}

std::wstring ReferenceConfiguration::ToString(int indent) const {
    std::wstring text = std::wstring(static_cast<size_t>(indent), L' ') + L"Reference " + CommonToString();
    if (downloaddialog) text += L"\r\n" + downloaddialog->ToString(indent + 1);
    return text;
}
