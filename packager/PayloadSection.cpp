#include "packager/PayloadSection.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "lib/Handles.h"
#include "lib/SystemError.h"

namespace PayloadSection {

namespace {

const BYTE kName[IMAGE_SIZEOF_SHORT_NAME] = {'.', 'p', 'a', 'y', 'l', 'o', 'a', 'd'};
const DWORD kCharacteristics = IMAGE_SCN_CNT_INITIALIZED_DATA | IMAGE_SCN_MEM_READ;
const DWORD kBufferSize = 1024 * 1024;
// Offsets in the optional header, the same for 32 and 64 bits.
const DWORD kInitializedDataAt = 8, kSectionAlignmentAt = 32, kFileAlignmentAt = 36, kImageSizeAt = 56,
            kHeadersSizeAt = 60, kCheckSumAt = 64;

DWORD Align(unsigned long long value, DWORD alignment) {
    return static_cast<DWORD>((value + alignment - 1) / alignment * alignment);
}

// The executable's headers, read and written in place.
class Image {
public:
    explicit Image(const std::wstring& path) : m_path(path) {
        m_file.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_file) Kestlib::ThrowLastError(L"Error opening '" + path + L"' for writing");
        IMAGE_DOS_HEADER dos = {};
        Read(0, &dos, sizeof(dos));
        DWORD signature = 0;
        Read(static_cast<DWORD>(dos.e_lfanew), &signature, sizeof(signature));
        if (dos.e_magic != IMAGE_DOS_SIGNATURE || signature != IMAGE_NT_SIGNATURE) Fail(L"not an executable");
        m_fileHeaderAt = static_cast<DWORD>(dos.e_lfanew) + 4;
        Read(m_fileHeaderAt, &m_fileHeader, sizeof(m_fileHeader));
        m_optionalAt = m_fileHeaderAt + sizeof(IMAGE_FILE_HEADER);
        WORD magic = 0;
        Read(m_optionalAt, &magic, sizeof(magic));
        m_directoriesAt = m_optionalAt + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC ? 112 : 96);
        m_sectionsAt = m_optionalAt + m_fileHeader.SizeOfOptionalHeader;
        m_sections.resize(m_fileHeader.NumberOfSections);
        if (!m_sections.empty())
            Read(m_sectionsAt, m_sections.data(), static_cast<DWORD>(m_sections.size() * sizeof(IMAGE_SECTION_HEADER)));
    }

    [[noreturn]] void Fail(const std::wstring& reason) const {
        Kestlib::ThrowError(L"Error writing the payload into '" + m_path + L"': " + reason);
    }
    void Read(unsigned long long at, void* data, DWORD size) const {
        DWORD done = 0;
        Seek(at);
        if (!::ReadFile(m_file.Get(), data, size, &done, nullptr)) Kestlib::ThrowLastError(L"Error reading '" + m_path + L"'");
        if (done != size) Fail(L"the file is cut short");
    }
    void Write(unsigned long long at, const void* data, DWORD size) const {
        DWORD done = 0;
        Seek(at);
        if (!::WriteFile(m_file.Get(), data, size, &done, nullptr) || done != size)
            Kestlib::ThrowLastError(L"Error writing '" + m_path + L"'");
    }
    DWORD Field(DWORD at) const {
        DWORD value = 0;
        Read(at, &value, sizeof(value));
        return value;
    }
    void SetField(DWORD at, DWORD value) const { Write(at, &value, sizeof(value)); }
    unsigned long long Size() const {
        LARGE_INTEGER size = {};
        if (!::GetFileSizeEx(m_file.Get(), &size)) Kestlib::ThrowLastError(L"Error reading '" + m_path + L"'");
        return static_cast<unsigned long long>(size.QuadPart);
    }
    void Truncate(unsigned long long at) const {
        Seek(at);
        if (!::SetEndOfFile(m_file.Get())) Kestlib::ThrowLastError(L"Error writing '" + m_path + L"'");
    }

    // Drops a signature: it no longer matches once the file changes.
    void DropSignature() const {
        DWORD at = m_directoriesAt + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY);
        IMAGE_DATA_DIRECTORY security = {};
        Read(at, &security, sizeof(security));
        if (security.VirtualAddress == 0) return;
        if (security.VirtualAddress < Size()) Truncate(security.VirtualAddress);
        IMAGE_DATA_DIRECTORY none = {};
        Write(at, &none, sizeof(none));
    }

    // Writes the section table's count and the sizes that follow from it.
    void SaveSections(DWORD initializedData) {
        m_fileHeader.NumberOfSections = static_cast<WORD>(m_sections.size());
        Write(m_fileHeaderAt, &m_fileHeader, sizeof(m_fileHeader));
        if (!m_sections.empty())
            Write(m_sectionsAt, m_sections.data(), static_cast<DWORD>(m_sections.size() * sizeof(IMAGE_SECTION_HEADER)));
        SetField(m_optionalAt + kImageSizeAt, Align(End(), Field(m_optionalAt + kSectionAlignmentAt)));
        SetField(m_optionalAt + kInitializedDataAt, initializedData);
    }

    // The end of the last section in memory.
    unsigned long long End() const {
        unsigned long long end = 0;
        for (const IMAGE_SECTION_HEADER& section : m_sections)
            end = std::max<unsigned long long>(end, section.VirtualAddress +
                                                        std::max(section.Misc.VirtualSize, section.SizeOfRawData));
        return end;
    }

    // The sum the loader's checksum check expects, over the whole file.
    void WriteCheckSum() const {
        DWORD at = m_optionalAt + kCheckSumAt;
        SetField(at, 0);
        unsigned long long size = Size();
        std::vector<BYTE> buffer(kBufferSize);
        unsigned long long sum = 0;
        for (unsigned long long done = 0; done < size;) {
            DWORD count = static_cast<DWORD>(std::min<unsigned long long>(buffer.size(), size - done));
            Read(done, buffer.data(), count);
            if (count % 2) buffer[count++] = 0;
            for (DWORD i = 0; i < count; i += 2) {
                sum += static_cast<unsigned long long>(buffer[i] | (buffer[i + 1] << 8));
                sum = (sum & 0xFFFF) + (sum >> 16);
            }
            done += count;
        }
        sum = (sum & 0xFFFF) + (sum >> 16);
        SetField(at, static_cast<DWORD>(sum + size));
    }

    std::wstring m_path;
    Kestlib::FileHandle m_file;
    IMAGE_FILE_HEADER m_fileHeader = {};
    DWORD m_fileHeaderAt = 0, m_optionalAt = 0, m_directoriesAt = 0, m_sectionsAt = 0;
    std::vector<IMAGE_SECTION_HEADER> m_sections;

private:
    void Seek(unsigned long long at) const {
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(at);
        if (!::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN))
            Kestlib::ThrowLastError(L"Error writing '" + m_path + L"'");
    }
};

// The resource section in memory, to point segment entries elsewhere.
class ResourceTree {
public:
    explicit ResourceTree(const Image& image) : m_image(image) {
        IMAGE_DATA_DIRECTORY directory = {};
        image.Read(image.m_directoriesAt + IMAGE_DIRECTORY_ENTRY_RESOURCE * sizeof(IMAGE_DATA_DIRECTORY), &directory,
                   sizeof(directory));
        for (const IMAGE_SECTION_HEADER& section : image.m_sections)
            if (directory.VirtualAddress >= section.VirtualAddress &&
                directory.VirtualAddress < section.VirtualAddress + section.SizeOfRawData)
                m_section = &section;
        if (directory.VirtualAddress == 0 || m_section == nullptr) image.Fail(L"no resources");
        m_bytes.resize(m_section->SizeOfRawData);
        image.Read(m_section->PointerToRawData, m_bytes.data(), m_section->SizeOfRawData);
        m_root = directory.VirtualAddress - m_section->VirtualAddress;
    }

    // Every language of type/name.
    void Point(const std::wstring& type, const std::wstring& name, DWORD rva, DWORD size) {
        DWORD languages = Child(Child(m_root, type), name);
        const IMAGE_RESOURCE_DIRECTORY* directory = At<IMAGE_RESOURCE_DIRECTORY>(languages);
        DWORD count = directory->NumberOfNamedEntries + directory->NumberOfIdEntries;
        for (DWORD i = 0; i < count; ++i) {
            const auto* entry = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(languages + sizeof(*directory) + i * 8);
            if (entry->DataIsDirectory) m_image.Fail(L"unexpected resource layout");
            auto* data = At<IMAGE_RESOURCE_DATA_ENTRY>(m_root + entry->OffsetToData);
            data->OffsetToData = rva;
            data->Size = size;
        }
    }

    // Resource compilers and updates may stamp each directory with the time
    // they ran; the same input must give the same file.
    void ClearTimeStamps() { ClearTimeStamps(m_root, 0); }

    void Save() const {
        m_image.Write(m_section->PointerToRawData, m_bytes.data(), static_cast<DWORD>(m_bytes.size()));
    }

private:
    template <class T>
    T* At(unsigned long long offset) {
        if (offset + sizeof(T) > m_bytes.size()) m_image.Fail(L"damaged resources");
        return reinterpret_cast<T*>(m_bytes.data() + offset);
    }

    void ClearTimeStamps(DWORD offset, int depth) {
        if (depth > 2) m_image.Fail(L"unexpected resource layout");
        IMAGE_RESOURCE_DIRECTORY* directory = At<IMAGE_RESOURCE_DIRECTORY>(offset);
        directory->TimeDateStamp = 0;
        DWORD count = directory->NumberOfNamedEntries + directory->NumberOfIdEntries;
        for (DWORD i = 0; i < count; ++i) {
            const auto* entry = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(offset + sizeof(*directory) + i * 8);
            if (entry->DataIsDirectory) ClearTimeStamps(m_root + entry->OffsetToDirectory, depth + 1);
        }
    }

    // The sub-directory of the named entry in the directory at offset.
    DWORD Child(DWORD offset, const std::wstring& name) {
        const IMAGE_RESOURCE_DIRECTORY* directory = At<IMAGE_RESOURCE_DIRECTORY>(offset);
        for (DWORD i = 0; i < directory->NumberOfNamedEntries; ++i) {
            const auto* entry = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(offset + sizeof(*directory) + i * 8);
            if (!entry->NameIsString || !entry->DataIsDirectory) continue;
            const auto* text = At<IMAGE_RESOURCE_DIR_STRING_U>(m_root + entry->NameOffset);
            if (m_root + entry->NameOffset + 2ULL + 2ULL * text->Length > m_bytes.size()) m_image.Fail(L"damaged resources");
            if (text->Length == name.size() &&
                ::_wcsnicmp(text->NameString, name.c_str(), name.size()) == 0)
                return m_root + entry->OffsetToDirectory;
        }
        m_image.Fail(L"resource " + name + L" not found");
    }

    const Image& m_image;
    const IMAGE_SECTION_HEADER* m_section = nullptr;
    std::vector<BYTE> m_bytes;
    DWORD m_root = 0;
};

// Appends the file's bytes at the end of the image file; returns their size.
DWORD CopyFile(const Image& image, const std::wstring& path, unsigned long long at, std::vector<BYTE>& buffer) {
    Kestlib::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) Kestlib::ThrowLastError(L"Error opening \"" + path + L"\"");
    unsigned long long size = 0;
    for (DWORD read = 0;; size += read) {
        if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            Kestlib::ThrowLastError(L"Error reading \"" + path + L"\"");
        if (read == 0) break;
        if (size + read >= 0x7FFFFFFFULL) image.Fail(L"the payload is 2 GB or more");
        image.Write(at + size, buffer.data(), read);
    }
    return static_cast<DWORD>(size);
}

}  // namespace

void Remove(const std::wstring& executable) {
    Image image(executable);
    if (image.m_sections.empty() || std::memcmp(image.m_sections.back().Name, kName, sizeof(kName)) != 0) return;
    IMAGE_SECTION_HEADER last = image.m_sections.back();
    image.DropSignature();
    image.Truncate(last.PointerToRawData);
    IMAGE_SECTION_HEADER none = {};
    image.Write(image.m_sectionsAt + (image.m_sections.size() - 1) * sizeof(IMAGE_SECTION_HEADER), &none, sizeof(none));
    image.m_sections.pop_back();
    image.SaveSections(image.Field(image.m_optionalAt + kInitializedDataAt) - last.SizeOfRawData);
}

void Append(const std::wstring& executable, const std::wstring& type, const std::vector<std::wstring>& segmentNames,
            const std::vector<std::wstring>& files) {
    Image image(executable);
    image.DropSignature();
    ResourceTree resources(image);
    resources.ClearTimeStamps();
    if (files.empty()) {
        resources.Save();
        image.WriteCheckSum();
        return;
    }
    DWORD headersEnd = image.m_sectionsAt + static_cast<DWORD>((image.m_sections.size() + 1) * sizeof(IMAGE_SECTION_HEADER));
    for (const IMAGE_SECTION_HEADER& section : image.m_sections)
        if (section.SizeOfRawData != 0 && section.PointerToRawData < headersEnd) image.Fail(L"no room for another section");
    if (headersEnd > image.Field(image.m_optionalAt + kHeadersSizeAt)) image.Fail(L"no room for another section");

    DWORD fileAlignment = image.Field(image.m_optionalAt + kFileAlignmentAt);
    IMAGE_SECTION_HEADER section = {};
    std::memcpy(section.Name, kName, sizeof(kName));
    section.VirtualAddress = Align(image.End(), image.Field(image.m_optionalAt + kSectionAlignmentAt));
    section.PointerToRawData = Align(image.Size(), fileAlignment);
    section.Characteristics = kCharacteristics;

    std::vector<BYTE> buffer(kBufferSize);
    unsigned long long used = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        used = Align(used, 8);
        DWORD size = CopyFile(image, files[i], section.PointerToRawData + used, buffer);
        resources.Point(type, segmentNames[i], static_cast<DWORD>(section.VirtualAddress + used), size);
        used += size;
        if (section.VirtualAddress + used >= 0x7FFFFFFFULL) image.Fail(L"the payload is 2 GB or more");
    }
    section.Misc.VirtualSize = static_cast<DWORD>(used);
    section.SizeOfRawData = Align(used, fileAlignment);
    std::vector<BYTE> padding(section.SizeOfRawData - used);
    if (!padding.empty()) image.Write(section.PointerToRawData + used, padding.data(), static_cast<DWORD>(padding.size()));
    resources.Save();
    image.m_sections.push_back(section);
    image.SaveSections(image.Field(image.m_optionalAt + kInitializedDataAt) + section.SizeOfRawData);
    image.WriteCheckSum();
}

}  // namespace PayloadSection
