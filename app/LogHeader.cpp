#include "app/LogHeader.h"

#include <string>

#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "base/OperatingSystem.h"
#include "config/ConfigFiles.h"
#include "sequence/Elevation.h"

namespace {
const wchar_t kRule[] = L"-------------------------------------------------------------------";
const wchar_t kNotice[] = L"Copyright (c) the Bootwright developers. All rights reserved.";
}  // namespace

void WriteLogHeader() {
    LOG(kRule);
    LOG(L"Bootwright (BWT) started, version " << BootstrapperVersion);
    LOG(kNotice);
    LOG(L"Operating system: " << OperatingSystemName(GetOperatingSystem()));
    LOG(OperatingSystemBuildText());
    if (IsElevationSupported()) {
        LOG(L"ElevationStatus: Elevation is supported by OS");
        LOG(L"ElevationStatus: Run as Admin: " << (IsRunAsAdmin() ? 1 : 0));
        LOG(L"ElevationStatus: User in Admin group: " << (IsUserInAdminGroup() ? 1 : 0));
    } else {
        LOG(L"ElevationStatus: Elevation is NOT supported by OS");
    }
    LOG(kRule);
    for (const auto& argument : InstallerCommandLineInfo::Instance().componentArgs)
        LOG(L"Component arguments: \"" << argument.first << L"\": " << argument.second);
}
