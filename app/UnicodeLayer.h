#pragma once

// On systems without the wide-character interfaces (the Windows 9x family,
// 32-bit builds only) the platform's Unicode layer must be loaded before
// anything else runs. Returns false, after telling the user, when it cannot
// be loaded; then the process must end with -1. Elsewhere it does nothing.
bool LoadUnicodeLayerIfNeeded();
