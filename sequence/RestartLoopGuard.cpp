#include "sequence/RestartLoopGuard.h"

#include "base/InstallerCommandLineInfo.h"

RebootCount RebootsBeforeThisStart() {
    const InstallerCommandLineInfo& options = InstallerCommandLineInfo::Instance();
    if (options.rebootCount.count > 0) return options.rebootCount;
    RebootCount unnamed;
    if (options.reboot) unnamed.count = 1;
    return unnamed;
}

RebootCount NextReboot(const RebootCount& previous, int configuration, int component) {
    RebootCount next;
    next.configuration = configuration;
    next.component = component;
    // Zero names nobody, and then matches whoever asks.
    const bool sameConfiguration = previous.configuration == 0 || previous.configuration == configuration;
    const bool sameComponent = previous.component == 0 || previous.component == component;
    next.count = previous.count > 0 && sameConfiguration && sameComponent ? previous.count + 1 : 1;
    return next;
}

std::wstring ResumeRebootCount(const RebootCount& previous, const RebootCount& next) {
    return previous.count == 0 ? std::wstring() : RebootCountText(next);
}
