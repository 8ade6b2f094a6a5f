#include "components/Components.h"

#include "app/InstallerLog.h"

Components Components::GetSupportedComponents(unsigned long lcid) const {
    Components supported;
    for (const ComponentPtr& component : *this) {
        const bool isSupported = component->IsSupported(lcid);
        if (isSupported) supported.push_back(component);
        LOG(L"-- " << component->description << L" (os_filter_lcid=" << component->os_filter_lcid
                   << L", os_filter_greater=" << component->os_filter_greater << L", os_filter_smaller="
                   << component->os_filter_smaller << L", processor_architecture_filter="
                   << component->processor_architecture_filter << L"): " << (isSupported ? L"LOADED" : L"SKIPPED"));
    }
    LOG(L"--- Loaded " << supported.size() << L" supported component(s)");
    return supported;
}

std::wstring Components::ToString(int indent) const {
    std::wstring text;
    for (const ComponentPtr& component : *this) {
        if (!text.empty()) text += L"\r\n";
        text += component->ToString(indent);
    }
    return text;
}
