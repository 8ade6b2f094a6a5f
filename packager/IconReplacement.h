#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "packager/IconFile.h"

class ResourceUpdate;

// Puts an icon file in the place of the program's icon: its group goes in
// every language, with the images it named, so no stale image stays behind;
// the file's images come in under ids no kept image uses.
class IconReplacement {
public:
    IconReplacement(const std::wstring& executable, const std::wstring& iconPath);

    // For the resource update's filter (type and name as it gives them).
    bool Drops(const std::wstring& type, const std::wstring& name) const;
    void Put(ResourceUpdate& update) const;

private:
    IconFile m_icon;
    std::set<WORD> m_dropped;
    std::vector<WORD> m_ids;
};
