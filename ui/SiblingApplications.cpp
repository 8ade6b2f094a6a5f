#include "ui/SiblingApplications.h"

#include <windows.h>

namespace {

struct SiblingWindowClass {
    const wchar_t* windowClass;
    const wchar_t* displayName;
};

// Looked for in this order; some applications have had more than one frame class.
const SiblingWindowClass kSiblings[] = {
    {L"GWW32MdiFrame", L"Gridwell"}, {L"GWWMdiFrame", L"Gridwell"},   {L"SCWMdiFrame", L"Scribant"},
    {L"DTW", L"Datavo"},             {L"SRW32MdiFrame", L"Scriptor"}, {L"SRWMdiFrame", L"Scriptor"},
    {L"SLWMdiFrame", L"Slidemark"},
};

}  // namespace

std::wstring FindRunningSiblingApplication() {
    for (const SiblingWindowClass& sibling : kSiblings) {
        if (::FindWindowW(sibling.windowClass, nullptr) != nullptr) return sibling.displayName;
    }
    return std::wstring();
}
