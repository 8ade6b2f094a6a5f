#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Changes to the resources of an executable file, written all at once by
// Commit; without Commit nothing changes.
class ResourceUpdate {
public:
    explicit ResourceUpdate(const std::wstring& executable);
    ~ResourceUpdate();
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;

    // Replaces the resource in every language it has with the bytes, in the
    // neutral language.
    void Put(const std::wstring& type, const std::wstring& name, const void* data, DWORD size);
    // Removes the resource in every language; nothing when it is absent.
    void Remove(const std::wstring& type, const std::wstring& name);
    // Every name the file holds under the type when the update began.
    std::vector<std::wstring> Names(const std::wstring& type) const;
    void Commit();

private:
    std::wstring m_path;
    HANDLE m_update = nullptr;
    HMODULE m_original = nullptr;
};
