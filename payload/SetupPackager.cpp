#include "payload/SetupPackager.h"

#include <windows.h>

#include "config/ConfigFile.h"
#include "lib/Crc32.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "payload/CabinetResources.h"
#include "payload/CabinetWriter.h"
#include "payload/PayloadList.h"
#include "payload/PayloadManifest.h"
#include "payload/ResourceUpdate.h"

namespace {

void RequireFile(const std::wstring& path, const wchar_t* role) {
    if (!Kestlib::FileExists(path)) Kestlib::ThrowError(std::wstring(role) + L" not found: " + path);
}

// A folder of its own under the temporary folder for the cabinet set,
// removed with its contents however the packaging ends.
class ScratchFolder {
public:
    ScratchFolder() {
        m_path = Kestlib::CreateTempFile();
        Kestlib::FileDelete(m_path);
        if (!::CreateDirectoryW(m_path.c_str(), nullptr)) Kestlib::ThrowLastError(L"Error creating " + m_path);
    }
    ~ScratchFolder() {
        try {
            Kestlib::DeleteDirectory(m_path, Kestlib::DeleteFiles | Kestlib::DeleteSelf | Kestlib::DeleteRecursive);
        } catch (...) {
        }
    }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
};

// The bytes of a file as the loader would map them, for one resource update.
class MappedFile {
public:
    explicit MappedFile(const std::wstring& path) {
        m_file.Reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_file) Kestlib::ThrowLastError(L"Error opening \"" + path + L"\"");
        m_size = static_cast<DWORD>(Kestlib::FileSize(path));
        m_mapping.Reset(::CreateFileMappingW(m_file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!m_mapping) Kestlib::ThrowLastError(L"Error mapping \"" + path + L"\"");
        m_view = ::MapViewOfFile(m_mapping.Get(), FILE_MAP_READ, 0, 0, 0);
        if (m_view == nullptr) Kestlib::ThrowLastError(L"Error mapping \"" + path + L"\"");
    }
    ~MappedFile() { ::UnmapViewOfFile(m_view); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const void* Data() const { return m_view; }
    DWORD Size() const { return m_size; }

private:
    Kestlib::FileHandle m_file;
    Kestlib::KernelHandle m_mapping;
    const void* m_view = nullptr;
    DWORD m_size = 0;
};

// Exact sizes and checksums, which extraction holds the unpacked files to.
std::vector<ManifestEntry> ManifestOf(const std::vector<PayloadFile>& files) {
    std::vector<ManifestEntry> entries;
    for (const PayloadFile& file : files)
        entries.push_back(ManifestEntry{file.target, file.size, Kestlib::Crc32::OfFile(file.source)});
    return entries;
}

}  // namespace

SetupPackager::SetupPackager(const PackagerOptions& options, Progress progress)
    : m_options(options), m_progress(std::move(progress)) {}

void SetupPackager::Run() {
    RequireFile(m_options.bootstrapper, L"Bootstrapper");
    RequireFile(m_options.configuration, L"Configuration");
    if (!m_options.banner.empty()) RequireFile(m_options.banner, L"Banner");
    // A release folder that does not exist yet is made, as build tools do.
    std::wstring folder = Kestlib::GetFileDirectory(m_options.output);
    if (!folder.empty() && !Kestlib::DirectoryExists(folder)) Kestlib::CreateDirectories(folder);
    std::wstring temporary = m_options.output + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    if (!::CopyFileW(m_options.bootstrapper.c_str(), temporary.c_str(), FALSE))
        Kestlib::ThrowLastError(L"Cannot write the output file '" + m_options.output + L"'");
    try {
        ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        Build(temporary);
        if (!::MoveFileExW(temporary.c_str(), m_options.output.c_str(), MOVEFILE_REPLACE_EXISTING))
            Kestlib::ThrowLastError(L"Cannot write the output file '" + m_options.output + L"'");
    } catch (...) {
        ::DeleteFileW(temporary.c_str());
        throw;
    }
}

void SetupPackager::Build(const std::wstring& temporary) {
    // The program's own reader first: a document it would refuse is refused
    // here with the same message.
    {
        ConfigFile reader;
        reader.LoadFile(m_options.configuration);
    }
    Kestlib::ByteVector document = Kestlib::FileReadAll(m_options.configuration);
    std::vector<PayloadFile> files = ReadEmbedFiles(m_options.configuration, document);

    ScratchFolder scratch;
    std::vector<std::wstring> cabinets;
    if (!files.empty()) {
        Cabinet::CabinetWriter writer(scratch.Path(), m_options.segmentSize);
        for (const PayloadFile& file : files) {
            m_progress(L"Adding " + file.target + L" (" + Kestlib::SizeToString(file.size) + L")");
            writer.AddFile(file.source, file.target);
        }
        cabinets = writer.Finish();
    }

    // Whatever the bootstrapper carried of these goes, in every language:
    // an old segment beyond the new count would join the new set.
    bool banner = !m_options.banner.empty();
    ResourceUpdate update(temporary, [banner](const std::wstring& type, const std::wstring& name) {
        return type == CabResourceType || (type == ConfigurationResourceType && name == ConfigurationResourceName) ||
               (type == CabListResourceType && name == CabListResourceName) ||
               (type == CabManifestResourceType && name == CabManifestResourceName) ||
               (banner && type == BannerResourceType && name == BannerResourceName);
    });
    update.Put(ConfigurationResourceType, ConfigurationResourceName, document.data(),
               static_cast<DWORD>(document.size()));
    if (banner) {
        Kestlib::ByteVector bitmap = Kestlib::FileReadAll(m_options.banner);
        update.Put(BannerResourceType, BannerResourceName, bitmap.data(), static_cast<DWORD>(bitmap.size()));
    }
    for (size_t i = 0; i < cabinets.size(); ++i) {
        MappedFile cabinet(cabinets[i]);
        update.Put(CabResourceType, SegmentName(static_cast<int>(i + 1)), cabinet.Data(), cabinet.Size());
    }
    std::wstring list = PayloadListText(files);
    update.Put(CabListResourceType, CabListResourceName, list.data(), static_cast<DWORD>(list.size() * sizeof(wchar_t)));
    std::string manifest = ManifestText(ManifestOf(files));
    update.Put(CabManifestResourceType, CabManifestResourceName, manifest.data(), static_cast<DWORD>(manifest.size()));
    update.Commit();
    m_progress(L"Wrote " + m_options.output + L": " + std::to_wstring(files.size()) + L" file(s) in " +
               std::to_wstring(cabinets.size()) + L" segment(s)");
}
