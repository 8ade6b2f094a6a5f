#include "sequence/ExtractionFolderCleanup.h"

#include <string>

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/Variables.h"
#include "config/InstallConfiguration.h"
#include "lib/FileOps.h"
#include "lib/SafeDelete.h"
#include "lib/SystemError.h"
#include "payload/HeldDownloads.h"

void CleanupExtractionFolder(const InstallConfiguration* configuration) {
    if (!configuration) Kestlib::ThrowError(L"Invalid configuration");
    const std::wstring& configured = configuration->cab_path;
    const std::wstring folder =
        ResolveVariables(configured.empty() ? InstallerSession::Instance().GetMadeDefaultCabPath() : configured);
    if (!configuration->cab_path_autodelete || folder.empty() || !Kestlib::DirectoryExists(folder)) return;
    // A mistyped cab_path must not wipe a drive, the system or the user's profile.
    if (!Kestlib::IsRemovableExtractionFolder(folder)) {
        LOG(L"Not deleting temporary folder, it is a root or protected folder: " << folder);
        return;
    }
    LOG(L"Deleting temporary folder: " << folder);
    // Downloads may lie in it; the run is over for them too.
    HeldDownloads::Instance().EndAllHolds();
    // Through the folder handles the run holds, entry by entry, never through a link.
    InstallerSession::Instance().RemoveFolder(folder);
}
