#pragma once

class InstallConfiguration;

// The end of a configuration's installation: the completion message, then the
// completion command for the UI level with the command line's extra arguments,
// waited for or detached as the configuration says. Throws "Invalid
// configuration" without one. nothingInstalled picks installation_none when set.
void CompleteInstallation(const InstallConfiguration* configuration, bool nothingInstalled);
