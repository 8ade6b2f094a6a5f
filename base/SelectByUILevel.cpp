#include "base/SelectByUILevel.h"

#include "base/InstallUILevel.h"

namespace {

const std::wstring& FirstNotEmpty(const std::wstring& first, const std::wstring& second,
                                  const std::wstring& last) {
    if (!first.empty()) return first;
    if (!second.empty()) return second;
    return last;
}

}  // namespace

std::wstring SelectByUILevel(const std::wstring& silent, const std::wstring& basic,
                             const std::wstring& full) {
    switch (InstallUILevel::Instance().GetUILevel()) {
    case UiLevelBasic:
        return FirstNotEmpty(basic, silent, full);
    case UiLevelSilent:
        return FirstNotEmpty(silent, basic, full);
    default:
        return full;
    }
}
