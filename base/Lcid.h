#pragma once

#include <string>

enum LcidType : int {
    LcidTypeUserExe = 0,
    LcidTypeSystem = 1,
    LcidTypeUser = 2,
};

unsigned long GetLcid(LcidType type);
LcidType ParseLcidType(const std::wstring& text);
std::wstring LcidTypeName(int type);
