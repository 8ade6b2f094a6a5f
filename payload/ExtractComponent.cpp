#include "payload/ExtractComponent.h"

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/Variables.h"
#include "lib/FileOps.h"
#include "lib/HeldTree.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/BoundedExtract.h"
#include "payload/CabinetResources.h"
#include "payload/PayloadCheck.h"

int ExtractComponent::ExecOnThread() {
    // Nothing to carry, nothing to write: not even a folder.
    m_segments = CountSegments(m_module);
    if (m_segments == 0) return 0;
    PrepareFolder();
    CheckPayload();
    WriteSegments();
    UnpackSet();
    RemoveSegments();
    return 0;
}

void ExtractComponent::PrepareFolder() {
    LOG(L"Extracting CABs");
    std::wstring folder = cab_path.empty() ? InstallerSession::Instance().GetDefaultCabPath() : cab_path;
    m_resolvedCabPath = ResolveVariables(folder);
    LOG(L"Cabpath: " << m_resolvedCabPath);
    m_folder = &InstallerSession::Instance().HoldFolder(m_resolvedCabPath);
    // What an earlier extraction into the folder left is written again.
    m_folder->ReleaseFiles();
}

std::wstring ExtractComponent::SegmentPath(int index) const {
    return Kestlib::PathCombine(m_resolvedCabPath, SegmentName(index) + L".CAB");
}

void ExtractComponent::CheckPayload() {
    std::vector<Cabinet::CabinetBytes> cabinets;
    for (int i = 1; i <= m_segments; ++i) {
        ResourceBytes bytes = LockResourceBytes(m_module, SegmentName(i), CabResourceType);
        cabinets.push_back(Cabinet::CabinetBytes{SegmentName(i) + L".CAB",
                                                 reinterpret_cast<const unsigned char*>(bytes.data), bytes.size});
    }
    try {
        m_set = Cabinet::CheckCabinetSet(cabinets);
    } catch (const std::exception& error) {
        ThrowDamagedPayload(Kestlib::AnsiToWide(error.what()));
    }
    m_hasManifest = ReadManifest(m_module, m_manifest);
    m_hasList = ReadListedNames(m_module, m_listed);
    m_check.reset(new PayloadCheck(m_set, m_hasManifest ? &m_manifest : nullptr, m_hasList ? &m_listed : nullptr));
    // A set the decompressor cannot read to its end (not a cabinet, encrypted,
    // a segment missing) is written out all the same, and its unpacking ends
    // with the decompressor's own error where the set stops.
    if (!m_set.incomplete) m_check->CheckAnnounced();
}

void ExtractComponent::WriteSegments() {
    m_written = 0;
    for (int i = 1; i <= m_segments; ++i) WriteSegment(i);
    LOG(L"Extracted " << Kestlib::SizeToString(m_written) << L" from " << m_segments << L" resource segment(s)");
}

// One write straight from the loader's mapping of the resource: segments are
// large, and a copy would double the memory the extraction needs. The file is
// created new, whatever the name held before, and held from then on.
void ExtractComponent::WriteSegment(int index) {
    std::wstring name = SegmentName(index);
    std::wstring target = SegmentPath(index);
    LOG(L"Extracting: " << target);
    Kestlib::HeldFile& file = m_folder->NewFile(target);
    OnStatus(L"Setup.cab - " + Kestlib::FormatText(L"%d%%", index * 100 / m_segments));
    ResourceBytes bytes = LockResourceBytes(m_module, name, CabResourceType);
    const std::wstring context = L"Error writing '" + name + L".CAB'";
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data, bytes.size, &written, nullptr)) Kestlib::ThrowLastError(context);
    if (written != bytes.size) Kestlib::ThrowSystemError(ERROR_HANDLE_DISK_FULL, context);
    file.Seal();
    m_written += written;
    LOG(L"Extracted: " << name);
}

void ExtractComponent::UnpackSet() {
    std::wstring cabinet = SegmentPath(1);
    LOG(L"Cabfile: " << cabinet);
    std::vector<std::wstring> segments;
    for (int i = 1; i <= m_segments; ++i) segments.push_back(SegmentPath(i));
    BoundedExtract extract(*m_check, *m_folder, segments, m_set.cabinetBytes, m_set.records);
    if (!extract.Initialise()) Kestlib::ThrowError(L"Error initializing cabinet.dll: " + extract.LastErrorText());
    extract.SetBeforeCopyNotify(&ExtractComponent::BeforeFile);
    extract.SetAfterCopyNotify(&ExtractComponent::AfterFile);
    bool extracted = false;
    // A file that is not what was announced stops the unpacking like any other failure.
    try {
        extracted = extract.ExtractFile(cabinet, m_resolvedCabPath, this);
    } catch (const std::exception& error) {
        Kestlib::ThrowError(L"Error extracting '" + cabinet + L"': " + Kestlib::AnsiToWide(error.what()));
    }
    // The bounds' reason, not the decompressor's account of being stopped.
    if (!extract.Failure().empty()) Kestlib::ThrowError(L"Error extracting '" + cabinet + L"': " + extract.Failure());
    if (!extracted) Kestlib::ThrowError(L"Error extracting '" + cabinet + L"': " + extract.LastErrorText());
    m_check->CheckComplete();
    LOG(L"Extracted CAB: " << cabinet);
}

bool ExtractComponent::BeforeFile(const Cabinet::FileRecord& file, void* user) {
    LOG(L"Extracting: " << file.targetPath);
    ExtractComponent* self = static_cast<ExtractComponent*>(user);
    self->m_check->BeginFile(file.storedPath, file.size);
    self->OnStatus(file.fileName + L" - " + Kestlib::SizeToString(file.size));
    return true;
}

// A file that is not what was announced does not stay behind looking unpacked.
void ExtractComponent::AfterFile(const std::wstring& targetPath, void* user) {
    ExtractComponent* self = static_cast<ExtractComponent*>(user);
    try {
        self->m_check->EndFile();
    } catch (...) {
        self->m_folder->RemoveFile(targetPath);
        throw;
    }
    LOG(L"Done: " << targetPath);
}

void ExtractComponent::RemoveSegments() {
    for (int i = 1; i <= m_segments; ++i) {
        std::wstring target = SegmentPath(i);
        if (m_folder->Find(target) != nullptr || Kestlib::FileExists(target)) {
            LOG(L"Deleting: " << target);
            // By the held folder's handle: the name is removed, never what a link there points to.
            if (!m_folder->RemoveFile(target)) Kestlib::ThrowLastError(L"Error deleting \"" + target + L"\"");
        }
    }
    LOG(L"Deleted " << m_segments << L" CAB file(s)");
}
