#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Rewrites the resources of an executable file, all at once in Commit;
// without Commit nothing changes. The update starts from the file's own
// resources minus those the filter drops, so a resource can be replaced or
// removed in every language it had.
class ResourceUpdate {
public:
    // Type and name as text; integer ids as "#" + number.
    using Filter = std::function<bool(const std::wstring& type, const std::wstring& name)>;

    ResourceUpdate(const std::wstring& executable, const Filter& drop);
    ~ResourceUpdate();
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    // Adds the bytes in the neutral language; the file must not keep one of
    // the same name. Integer ids as "#" + number, as the filter sees them.
    void Put(const std::wstring& type, const std::wstring& name, const void* data, DWORD size);
    void Commit();

private:
    void CopyKept(HMODULE original, const Filter& drop);

    std::wstring m_path;
    HANDLE m_update = nullptr;
};
