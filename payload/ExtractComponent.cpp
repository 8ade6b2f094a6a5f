#include "payload/ExtractComponent.h"

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "base/Variables.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "payload/CabinetResources.h"
#include "payload/Extract.h"

int ExtractComponent::ExecOnThread() {
    PrepareFolder();
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
    Kestlib::CreateDirectories(m_resolvedCabPath);
}

std::wstring ExtractComponent::SegmentPath(int index) const {
    return Kestlib::PathCombine(m_resolvedCabPath, SegmentName(index) + L".CAB");
}

void ExtractComponent::WriteSegments() {
    m_segments = CountSegments(m_module);
    m_written = 0;
    for (int i = 1; i <= m_segments; ++i) WriteSegment(i);
    LOG(L"Extracted " << Kestlib::SizeToString(m_written) << L" from " << m_segments << L" resource segment(s)");
}

// One write straight from the loader's mapping of the resource: segments are
// large, and a copy would double the memory the extraction needs.
void ExtractComponent::WriteSegment(int index) {
    std::wstring name = SegmentName(index);
    std::wstring target = SegmentPath(index);
    LOG(L"Extracting: " << target);
    Kestlib::FileHandle file(::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) Kestlib::ThrowLastError(L"Error creating '" + target + L"'");
    OnStatus(L"Setup.cab - " + Kestlib::FormatText(L"%d%%", index * 100 / m_segments));
    ResourceBytes bytes = LockResourceBytes(m_module, name, CabResourceType);
    const std::wstring context = L"Error writing '" + name + L".CAB'";
    DWORD written = 0;
    if (!::WriteFile(file.Get(), bytes.data, bytes.size, &written, nullptr)) Kestlib::ThrowLastError(context);
    if (written != bytes.size) Kestlib::ThrowSystemError(ERROR_HANDLE_DISK_FULL, context);
    // An older, longer file of the same name must not keep its tail.
    if (!::SetEndOfFile(file.Get())) Kestlib::ThrowLastError(context);
    m_written += written;
    LOG(L"Extracted: " << name);
}

void ExtractComponent::UnpackSet() {
    std::wstring cabinet = SegmentPath(1);
    LOG(L"Cabfile: " << cabinet);
    Cabinet::CExtract extract;
    if (!extract.Initialise()) Kestlib::ThrowError(L"Error initializing cabinet.dll: " + extract.LastErrorText());
    extract.SetBeforeCopyNotify(&ExtractComponent::BeforeFile);
    extract.SetAfterCopyNotify(&ExtractComponent::AfterFile);
    if (!extract.ExtractFile(cabinet, m_resolvedCabPath, this))
        Kestlib::ThrowError(L"Error extracting '" + cabinet + L"': " + extract.LastErrorText());
    LOG(L"Extracted CAB: " << cabinet);
}

bool ExtractComponent::BeforeFile(const Cabinet::FileRecord& file, void* user) {
    LOG(L"Extracting: " << file.targetPath);
    static_cast<ExtractComponent*>(user)->OnStatus(file.fileName + L" - " + Kestlib::SizeToString(file.size));
    return true;
}

void ExtractComponent::AfterFile(const std::wstring& targetPath, void*) { LOG(L"Done: " << targetPath); }

void ExtractComponent::RemoveSegments() {
    for (int i = 1; i <= m_segments; ++i) {
        std::wstring target = SegmentPath(i);
        if (Kestlib::FileExists(target)) {
            LOG(L"Deleting: " << target);
            Kestlib::FileDelete(target);
        }
    }
    LOG(L"Deleted " << m_segments << L" CAB file(s)");
}
