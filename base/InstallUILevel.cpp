#include "base/InstallUILevel.h"

int InstallUILevel::GetUILevel() const {
    if (m_commandLineLevel != UiLevelNotSet) return m_commandLineLevel;
    if (m_configLevel != UiLevelNotSet) return m_configLevel;
    return UiLevelFull;
}

int UiLevelFromText(const std::wstring& text) {
    if (text == L"full") return UiLevelFull;
    if (text == L"basic") return UiLevelBasic;
    if (text == L"silent") return UiLevelSilent;
    return UiLevelNotSet;
}
