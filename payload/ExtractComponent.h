#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/ThreadComponent.h"
#include "payload/CabinetSetCheck.h"
#include "payload/PayloadCheck.h"
#include "payload/PayloadManifest.h"

namespace Cabinet {
struct FileRecord;
}
namespace Kestlib {
class HeldTree;
}

// Writes the payload's cabinet segments from the executable's resources into
// the extraction folder, unpacks the set there and removes the segments, as
// a worker job. The owner sets the folder and the message before Start.
// The folder and every file written into it stay held by the run's session
// (InstallerSession::HoldFolder) until the run ends or the folder is removed.
// Held as a JoinedJob of a derived class.
class ExtractComponent : public ThreadComponent {
public:
    // The module whose resources hold the segments; also a data file's handle.
    explicit ExtractComponent(HMODULE module) : m_module(module) {}

    // May hold variables; empty for the run's default folder.
    std::wstring cab_path;
    // Carried for the configuration; extraction cannot be cancelled.
    std::wstring cab_cancelled_message;

    // The folder the payload went to; set once the job has begun.
    const std::wstring& GetResolvedCabPath() const { return m_resolvedCabPath; }

protected:
    ~ExtractComponent() override = default;

    int ExecOnThread() override;
    // A progress text; called on the worker thread and must not block it.
    virtual void OnStatus(const std::wstring& text) = 0;

private:
    void PrepareFolder();
    // Before anything is written: the set in the resources is consistent and
    // holds what the executable's manifest and list announce.
    void CheckPayload();
    void WriteSegments();
    void WriteSegment(int index);
    void UnpackSet();
    void RemoveSegments();
    std::wstring SegmentPath(int index) const;

    static bool BeforeFile(const Cabinet::FileRecord& file, void* user);
    static void AfterFile(const std::wstring& targetPath, void* user);

    std::wstring m_resolvedCabPath;
    Kestlib::HeldTree* m_folder = nullptr;
    HMODULE m_module;
    int m_segments = 0;
    unsigned long m_written = 0;
    Cabinet::SetSummary m_set;
    bool m_hasManifest = false;
    std::vector<ManifestEntry> m_manifest;
    bool m_hasList = false;
    std::vector<std::wstring> m_listed;
    std::unique_ptr<PayloadCheck> m_check;
};
