#include "packager/SetupPackager.h"

#include <windows.h>

#include <memory>

#include "config/ConfigFile.h"
#include "lib/FileOps.h"
#include "lib/Formatting.h"
#include "lib/SystemError.h"
#include "packager/BinaryFile.h"
#include "packager/CabinetWriter.h"
#include "packager/ExecutionLevel.h"
#include "packager/IconReplacement.h"
#include "packager/PayloadSection.h"
#include "packager/ResourceUpdate.h"
#include "packager/VersionResource.h"
#include "payload/CabinetResources.h"
#include "payload/PayloadList.h"
#include "payload/PayloadManifest.h"

namespace {

// RT_VERSION and VS_VERSION_INFO as the resource update names them.
const wchar_t VersionType[] = L"#16";
const wchar_t VersionName[] = L"#1";

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

// The bootstrapper's manifest with the level asked for.
std::string ManifestWithLevel(const std::wstring& executable, const std::wstring& level) {
    Kestlib::ModuleHandle module(::LoadLibraryExW(executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module) Kestlib::ThrowLastError(L"Error reading the resources of '" + executable + L"'");
    if (!::FindResourceW(module.Get(), ManifestResourceName, ManifestResourceType))
        Kestlib::ThrowError(L"The bootstrapper has no manifest to set the execution level in");
    const Kestlib::ByteVector bytes = Kestlib::LoadResourceData(module.Get(), ManifestResourceName, ManifestResourceType);
    return SetExecutionLevel(std::string(bytes.begin(), bytes.end()), level);
}

// Whether a payload file is a Windows program or library ("MZ" at its
// start): the only files whose x86 calls LZX's translation is made for.
bool HoldsPrograms(const std::vector<PayloadFile>& files) {
    for (const PayloadFile& file : files) {
        char start[2] = {};
        BinaryFile source = BinaryFile::Open(file.source);
        if (source.Read(start, 2) == 2 && start[0] == 'M' && start[1] == 'Z') return true;
    }
    return false;
}

}  // namespace

SetupPackager::SetupPackager(const PackagerOptions& options, Progress progress)
    : m_options(options), m_progress(std::move(progress)) {}

void SetupPackager::Run() {
    RequireFile(m_options.bootstrapper, L"Bootstrapper");
    RequireFile(m_options.configuration, L"Configuration");
    if (!m_options.banner.empty()) RequireFile(m_options.banner, L"Banner");
    if (!m_options.icon.empty()) RequireFile(m_options.icon, L"Icon");
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
    // Exact sizes and checksums, which extraction holds the unpacked files
    // to, of the very bytes that went into the cabinets.
    std::vector<ManifestEntry> storedFiles;
    if (!files.empty()) {
        Cabinet::CabinetWriter writer(scratch.Path(), m_options.segmentSize);
        Cabinet::Compression compression = m_options.compression;
        compression.translateCalls = HoldsPrograms(files);
        writer.SetCompression(compression);
        writer.SetUtcTimes(true);
        if (m_options.limitTimes) writer.SetLatestTime(m_options.latestTime);
        uint64_t total = 0;
        for (const PayloadFile& file : files) total += file.size;
        writer.SetExpectedSize(total);
        for (PayloadFile& file : files) {
            m_progress(L"Adding " + file.target + L" (" + Kestlib::SizeToString(file.size) + L")");
            Cabinet::StoredFile stored = writer.AddFile(file.source, file.target);
            file.size = stored.size;
            storedFiles.push_back(ManifestEntry{file.target, stored.size, stored.crc});
        }
        cabinets = writer.Finish();
    }

    const bool level = !m_options.executionLevel.empty();
    const std::string manifest = level ? ManifestWithLevel(temporary, m_options.executionLevel) : std::string();

    // Whatever the bootstrapper carried of these goes, in every language:
    // an old segment beyond the new count would join the new set.
    bool banner = !m_options.banner.empty();
    bool version = !m_options.versionInfo.empty();
    PayloadSection::Remove(temporary);
    std::unique_ptr<IconReplacement> icon;
    if (!m_options.icon.empty()) icon.reset(new IconReplacement(temporary, m_options.icon));
    ResourceUpdate update(temporary, [&](const std::wstring& type, const std::wstring& name) {
        return type == CabResourceType || (type == ConfigurationResourceType && name == ConfigurationResourceName) ||
               (type == CabListResourceType && name == CabListResourceName) ||
               (type == CabManifestResourceType && name == CabManifestResourceName) ||
               (banner && type == BannerResourceType && name == BannerResourceName) ||
               (level && type == ManifestResourceType && name == ManifestResourceName) ||
               (version && type == VersionType) || (icon && icon->Drops(type, name));
    });
    if (level)
        update.Put(ManifestResourceType, ManifestResourceName, manifest.data(), static_cast<DWORD>(manifest.size()));
    if (icon) icon->Put(update);
    if (version) {
        Kestlib::ByteVector resource = VersionResource(m_options.versionInfo);
        update.Put(VersionType, VersionName, resource.data(), static_cast<DWORD>(resource.size()));
    }
    update.Put(ConfigurationResourceType, ConfigurationResourceName, document.data(),
               static_cast<DWORD>(document.size()));
    if (banner) {
        Kestlib::ByteVector bitmap = Kestlib::FileReadAll(m_options.banner);
        update.Put(BannerResourceType, BannerResourceName, bitmap.data(), static_cast<DWORD>(bitmap.size()));
    }
    // A stand-in per segment; the segments themselves are streamed in after the commit.
    std::vector<std::wstring> segments;
    for (size_t i = 0; i < cabinets.size(); ++i) {
        segments.push_back(SegmentName(static_cast<int>(i + 1)));
        DWORD standIn = static_cast<DWORD>(i + 1);
        update.Put(CabResourceType, segments.back(), &standIn, sizeof(standIn));
    }
    std::wstring list = PayloadListText(files);
    update.Put(CabListResourceType, CabListResourceName, list.data(), static_cast<DWORD>(list.size() * sizeof(wchar_t)));
    std::string payloadManifest = ManifestText(storedFiles);
    update.Put(CabManifestResourceType, CabManifestResourceName, payloadManifest.data(),
               static_cast<DWORD>(payloadManifest.size()));
    update.Commit();
    PayloadSection::Append(temporary, CabResourceType, segments, cabinets);
    m_progress(L"Wrote " + m_options.output + L": " + std::to_wstring(files.size()) + L" file(s) in " +
               std::to_wstring(cabinets.size()) + L" segment(s)");
}
