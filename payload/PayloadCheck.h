#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "lib/Crc32.h"
#include "payload/CabinetSetCheck.h"
#include "payload/PayloadManifest.h"

// Holds an unpacking to what the executable says it carries: the files the
// cabinet headers announce, and, when there are such resources, the
// manifest's exact sizes and checksums and the payload list's names. Each
// file is counted while it is written; the first difference is an error
// naming it. Every text begins with DamagedPayloadText.
class PayloadCheck {
public:
    PayloadCheck(const Cabinet::SetSummary& set, const std::vector<ManifestEntry>* manifest,
                 const std::vector<std::wstring>* listed);

    // Before unpacking: the set holds every file the manifest and the list name, as the manifest says.
    void CheckAnnounced() const;

    // While unpacking. Written answers false once a file runs past its size,
    // and Failure then says why: this runs inside the decompressor.
    void BeginFile(const std::wstring& storedName, uint64_t announcedSize);
    bool Written(const void* data, uint32_t count);
    // Throws when the file just closed is not exactly what was announced.
    void EndFile();
    const std::wstring& Failure() const { return m_failure; }

    // After unpacking: every file came out.
    void CheckComplete() const;

private:
    struct Expected {
        std::wstring name;
        uint64_t size = 0;
        bool checksum = false;
        uint32_t crc = 0;
        bool done = false;
    };

    std::vector<Expected> m_files;
    std::map<std::wstring, size_t> m_index;
    const std::vector<ManifestEntry>* m_manifest;
    const std::vector<std::wstring>* m_listed;
    Expected* m_current = nullptr;
    uint64_t m_written = 0;
    Kestlib::Crc32 m_crc;
    std::wstring m_failure;
};

// "The payload is damaged: " + detail.
std::wstring DamagedPayloadText(const std::wstring& detail);
[[noreturn]] void ThrowDamagedPayload(const std::wstring& detail);
