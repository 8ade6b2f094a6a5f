#include "sequence/PackageOptions.h"

#include "base/InstallerCommandLineInfo.h"
#include "components/Component.h"
#include "config/InstallConfiguration.h"

int ComponentNumber(const InstallConfiguration& configuration, const Component& component) {
    for (size_t index = 0; index < configuration.components.size(); ++index) {
        if (configuration.components[index].get() == &component) return static_cast<int>(index + 1);
    }
    return 0;
}

void PreparePackage(Component& component) {
    component.suppressRestart = InstallerCommandLineInfo::Instance().noRestart;
}
