#pragma once

class InstallConfiguration;

// Removes the run's extraction folder with everything in it when the
// configuration asks for it: its cab_path, else the default folder the run
// made. A root or protected folder is never deleted, only logged. The holds
// on the folder and its files end with it. Throws
// "Invalid configuration" without one.
void CleanupExtractionFolder(const InstallConfiguration* configuration);
