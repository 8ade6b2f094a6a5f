#pragma once

#include <string>

#include "lib/ProcessObject.h"

enum UiLevel : int {
    UiLevelNotSet = 0,
    UiLevelFull = 1,
    UiLevelBasic = 2,
    UiLevelSilent = 3,
};

// How much the run may show: the configuration and the command line each name
// a level, and the command line's wins.
class InstallUILevel : public Kestlib::ProcessObject<InstallUILevel> {
public:
    void SetConfigUILevel(int level) { m_configLevel = level; }
    int GetConfigUILevel() const { return m_configLevel; }
    void SetCommandLineUILevel(int level) { m_commandLineLevel = level; }
    int GetCommandLineUILevel() const { return m_commandLineLevel; }

    // The command-line level if set, else the configuration level if set, else full.
    int GetUILevel() const;

private:
    int m_configLevel = UiLevelNotSet;
    int m_commandLineLevel = UiLevelNotSet;
};

// "full", "basic", "silent" (exact case); any other text is UiLevelNotSet.
int UiLevelFromText(const std::wstring& text);
