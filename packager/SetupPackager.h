#pragma once

#include <functional>
#include <string>

#include "packager/PackagerOptions.h"

// Writes a setup executable: a copy of the bootstrapper carrying the
// configuration document, the optional banner, the payload's cabinet set and
// its list. The output appears only complete: it is built under a temporary
// name beside it and renamed at the end.
class SetupPackager {
public:
    using Progress = std::function<void(const std::wstring& line)>;

    SetupPackager(const PackagerOptions& options, Progress progress);
    void Run();

private:
    void Build(const std::wstring& temporary);

    PackagerOptions m_options;
    Progress m_progress;
};
