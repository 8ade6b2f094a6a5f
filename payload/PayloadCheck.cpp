#include "payload/PayloadCheck.h"

#include <cstdio>

#include "lib/SystemError.h"

namespace {

std::wstring Quoted(const std::wstring& name) { return L"'" + name + L"'"; }

std::wstring Hex(uint32_t value) {
    wchar_t text[9];
    std::swprintf(text, 9, L"%08x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::wstring DamagedPayloadText(const std::wstring& detail) { return L"The payload is damaged: " + detail; }

void ThrowDamagedPayload(const std::wstring& detail) { Kestlib::ThrowError(DamagedPayloadText(detail)); }

PayloadCheck::PayloadCheck(const Cabinet::SetSummary& set, const std::vector<ManifestEntry>* manifest,
                           const std::vector<std::wstring>* listed)
    : m_manifest(manifest), m_listed(listed) {
    for (const Cabinet::SetFile& file : set.files) {
        m_index[Cabinet::ComparableName(file.name)] = m_files.size();
        m_files.push_back(Expected{file.name, file.size});
    }
    if (m_manifest == nullptr) return;
    for (const ManifestEntry& entry : *m_manifest) {
        auto found = m_index.find(Cabinet::ComparableName(entry.name));
        if (found == m_index.end()) continue;
        m_files[found->second].checksum = true;
        m_files[found->second].crc = entry.crc;
    }
}

void PayloadCheck::CheckAnnounced() const {
    if (m_manifest != nullptr) {
        for (const ManifestEntry& entry : *m_manifest) {
            auto found = m_index.find(Cabinet::ComparableName(entry.name));
            if (found == m_index.end()) ThrowDamagedPayload(Quoted(entry.name) + L" is missing from the cabinets");
            const Expected& file = m_files[found->second];
            if (file.size != entry.size)
                ThrowDamagedPayload(Quoted(entry.name) + L" has " + std::to_wstring(file.size) +
                                    L" bytes in the cabinets instead of " + std::to_wstring(entry.size));
        }
        for (const Expected& file : m_files)
            if (!file.checksum) ThrowDamagedPayload(Quoted(file.name) + L" is in the cabinets but not in the manifest");
    }
    if (m_listed != nullptr)
        for (const std::wstring& name : *m_listed)
            if (m_index.find(Cabinet::ComparableName(name)) == m_index.end())
                ThrowDamagedPayload(Quoted(name) + L" is listed but missing from the cabinets");
}

void PayloadCheck::BeginFile(const std::wstring& storedName, uint64_t announcedSize) {
    auto found = m_index.find(Cabinet::ComparableName(storedName));
    if (found == m_index.end()) ThrowDamagedPayload(Quoted(storedName) + L" is not in the cabinets' file lists");
    Expected& file = m_files[found->second];
    if (file.done) ThrowDamagedPayload(Quoted(storedName) + L" comes out of the cabinets twice");
    if (announcedSize != file.size)
        ThrowDamagedPayload(Quoted(storedName) + L" comes out with " + std::to_wstring(announcedSize) +
                            L" bytes instead of " + std::to_wstring(file.size));
    m_current = &file;
    m_written = 0;
    m_crc = Kestlib::Crc32();
}

bool PayloadCheck::Written(const void* data, uint32_t count) {
    if (m_current == nullptr) return true;
    m_written += count;
    if (m_written > m_current->size) {
        m_failure = DamagedPayloadText(Quoted(m_current->name) + L" runs past its " +
                                       std::to_wstring(m_current->size) + L" bytes");
        return false;
    }
    if (m_current->checksum) m_crc.Update(data, count);
    return true;
}

void PayloadCheck::EndFile() {
    Expected* file = m_current;
    m_current = nullptr;
    if (file == nullptr) return;
    if (m_written != file->size)
        ThrowDamagedPayload(Quoted(file->name) + L" came out with " + std::to_wstring(m_written) +
                            L" bytes instead of " + std::to_wstring(file->size));
    if (file->checksum && m_crc.Value() != file->crc)
        ThrowDamagedPayload(Quoted(file->name) + L" came out with the checksum " + Hex(m_crc.Value()) +
                            L" instead of " + Hex(file->crc));
    file->done = true;
}

void PayloadCheck::CheckComplete() const {
    for (const Expected& file : m_files)
        if (!file.done) ThrowDamagedPayload(Quoted(file.name) + L" did not come out of the cabinets");
}
