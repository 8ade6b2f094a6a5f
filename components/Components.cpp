#include "components/Components.h"

#include <exception>

#include "base/InstallerLog.h"
#include "components/IExecuteCallback.h"
#include "lib/TextConversion.h"

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

namespace {

// A failure's share of the result: the component's exit code, never 0.
int FailureCode(const Component& component) {
    const int code = static_cast<int>(component.GetExitCode());
    return code == 0 ? -1 : code;
}

}  // namespace

int Components::Exec(IExecuteCallback* callback) const {
    int result = 0;
    for (const ComponentPtr& component : *this) {
        if (!component->selected) {
            LOG(L"--- Component '" << component->description << L"': SKIPPED");
            continue;
        }
        LOG(L"--- Component '" << component->description << L"': EXECUTING");
        try {
            if (callback && !callback->OnDownload(component)) return result;
            component->Exec();
            if (callback && !callback->OnWaitForComplete(component)) return result;
            component->Wait(1000);
            LOG(L"*** Component '" << component->description << L"': SUCCESS");
            if (callback && !callback->OnComplete(component)) return result;
        } catch (const std::exception& error) {
            if (result == 0) result = FailureCode(*component);
            LOG(L"*** Component '" << component->description << L"' ERROR: " << Kestlib::AnsiToWide(error.what()));
            if (callback && !callback->OnError(component, error)) return result;
        } catch (...) {
            // Still a failure: the run must not end with a success code.
            if (result == 0) result = FailureCode(*component);
            LOG(L"An unknown error was caught in Components::Exec()");
        }
    }
    return result;
}
