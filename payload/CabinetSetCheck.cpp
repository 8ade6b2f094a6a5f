#include "payload/CabinetSetCheck.h"

#include <cstring>
#include <cwctype>
#include <exception>

#include "lib/StringUtils.h"
#include "lib/SystemError.h"
#include "lib/TextConversion.h"
#include "payload/CabinetErrors.h"
#include "payload/CabinetNames.h"

namespace Cabinet {

namespace {

[[noreturn]] void Refuse(const std::wstring& cabinet, const std::wstring& text) {
    Kestlib::ThrowError(cabinet + L": " + text);
}

std::wstring Quoted(const std::string& stored) { return L"'" + DecodeStoredName(stored.c_str(), false) + L"'"; }

std::wstring Number(uint64_t value) { return std::to_wstring(value); }

bool RunsFromPrevious(uint16_t folder) {
    return folder == FolderContinuedFromPrevious || folder == FolderContinuedPreviousAndNext;
}
bool RunsIntoNext(uint16_t folder) {
    return folder == FolderContinuedToNext || folder == FolderContinuedPreviousAndNext;
}

// What the decompressor checks first when it opens a cabinet.
bool HasPlainSignature(const CabinetBytes& cabinet) {
    return cabinet.size >= 4 && std::memcmp(cabinet.data, "MSCF", 4) == 0;
}

bool SameText(const std::wstring& a, const std::string& b) {
    return ComparableName(a) == ComparableName(DecodeStoredName(b.c_str(), false));
}

// The folders of the whole set, a folder cut at the end of one cabinet and
// its rest at the start of the next being one.
class FolderMap {
public:
    explicit FolderMap(const std::vector<CabinetHeader>& headers) {
        for (size_t i = 0; i < headers.size(); ++i) {
            const CabinetHeader& header = headers[i];
            std::vector<size_t> ids;
            for (size_t f = 0; f < header.folders.size(); ++f) {
                bool continued = f == 0 && i > 0 && ContinuesIntoNext(headers, i - 1);
                if (!continued) m_totals.push_back(0);
                ids.push_back(m_totals.size() - 1);
                m_totals.back() += header.folders[f].uncompressedSize;
            }
            m_ids.push_back(ids);
        }
        // The last folder read goes on in a cabinet that cannot be read.
        const CabinetHeader& last = headers.back();
        bool runsOn = last.hasNext && last.folders.back().lastBlockSplit;
        for (const CabinetFileEntry& file : last.files) runsOn = runsOn || (last.hasNext && RunsIntoNext(file.folder));
        if (runsOn) m_openEnded = m_ids.back().back();
    }

    static bool ContinuesIntoNext(const std::vector<CabinetHeader>& headers, size_t i) {
        const CabinetHeader& header = headers[i];
        if (!header.hasNext || i + 1 >= headers.size()) return false;
        if (header.folders.back().lastBlockSplit) return true;
        for (const CabinetFileEntry& file : header.files)
            if (RunsIntoNext(file.folder)) return true;
        for (const CabinetFileEntry& file : headers[i + 1].files)
            if (RunsFromPrevious(file.folder)) return true;
        return false;
    }

    size_t Id(size_t cabinet, size_t folder) const { return m_ids[cabinet][folder]; }
    uint64_t Total(size_t id) const { return m_totals[id]; }
    // Its size is not known: its files end where the decompressor stops.
    bool OpenEnded(size_t id) const { return id == m_openEnded; }

private:
    std::vector<std::vector<size_t>> m_ids;
    std::vector<uint64_t> m_totals;
    size_t m_openEnded = static_cast<size_t>(-1);
};

bool HasFileSpanningIt(const CabinetHeader& header) {
    for (const CabinetFileEntry& file : header.files)
        if (file.folder == FolderContinuedPreviousAndNext) return true;
    return false;
}

// A cabinet names the one before it, or, when its first file began further
// back, the cabinet where that file began (the platform's compressor does so).
// The headers may stop before the cabinets: the last one read then names the
// next cabinet, which the decompressor refuses when it reaches it.
void CheckChain(const std::vector<CabinetBytes>& cabinets, const std::vector<CabinetHeader>& headers) {
    const CabinetHeader& first = headers.front();
    size_t spanStart = 0;
    for (size_t i = 0; i < headers.size(); ++i) {
        const CabinetHeader& header = headers[i];
        const std::wstring& name = cabinets[i].name;
        if (i == 0 && header.hasPrevious)
            Refuse(name, L"it is not the first cabinet of its set: it follows " + Quoted(header.previousName));
        if (i > 0 && !header.hasPrevious)
            Refuse(name, L"it begins a set of its own instead of following " + cabinets[i - 1].name);
        if (i > 0 && !(i > 1 && HasFileSpanningIt(headers[i - 1]))) spanStart = i - 1;
        if (i > 0 && !SameText(cabinets[i - 1].name, header.previousName) &&
            !SameText(cabinets[spanStart].name, header.previousName))
            Refuse(name, L"it follows " + Quoted(header.previousName) + L" instead of " + cabinets[i - 1].name);
        if (i + 1 < headers.size() && !header.hasNext)
            Refuse(name, L"it ends its set, but " + cabinets[i + 1].name + L" should follow it");
        if (i + 1 < cabinets.size() && header.hasNext && !SameText(cabinets[i + 1].name, header.nextName))
            Refuse(name, L"it is followed by " + Quoted(header.nextName) + L" instead of " + cabinets[i + 1].name);
        if (i + 1 == headers.size() && i + 1 < cabinets.size() && !header.hasNext)
            Refuse(cabinets[i + 1].name, L"it is not a cabinet");
        for (size_t k = 0; header.hasNext && k <= i; ++k)
            if (SameText(cabinets[k].name, header.nextName))
                Refuse(name, L"it is followed by " + Quoted(header.nextName) + L", which comes before it");
        if (header.setId != first.setId)
            Refuse(name, L"it belongs to another set (" + Number(header.setId) + L", not " + Number(first.setId) + L")");
        if (header.index != first.index + static_cast<uint32_t>(i))
            Refuse(name, L"it is cabinet " + Number(header.index) + L" of its set, not " + Number(first.index + i));
        if (header.reserve.header != first.reserve.header || header.reserve.folder != first.reserve.folder ||
            header.reserve.data != first.reserve.data)
            Refuse(name, L"its reserved areas differ from those of " + cabinets[0].name);
    }
}

// A file that runs on into the next cabinet must be met there first, the same.
void CheckSpanning(const std::vector<CabinetBytes>& cabinets, const std::vector<CabinetHeader>& headers, size_t i) {
    std::vector<const CabinetFileEntry*> leaving, arriving;
    // A file running on into a cabinet that cannot be read ends there.
    if (i + 1 == headers.size()) return;
    for (const CabinetFileEntry& file : headers[i].files)
        if (RunsIntoNext(file.folder)) leaving.push_back(&file);
    for (const CabinetFileEntry& file : headers[i + 1].files)
        if (RunsFromPrevious(file.folder)) arriving.push_back(&file);
    for (size_t k = 0; k < leaving.size() || k < arriving.size(); ++k) {
        if (k >= arriving.size())
            Refuse(cabinets[i].name, L"the file " + Quoted(leaving[k]->name) + L" runs on into " +
                                         cabinets[i + 1].name + L", which does not continue it");
        if (k >= leaving.size())
            Refuse(cabinets[i + 1].name, L"the file " + Quoted(arriving[k]->name) + L" continues a file that " +
                                             cabinets[i].name + L" does not hold");
        const CabinetFileEntry& a = *leaving[k];
        const CabinetFileEntry& b = *arriving[k];
        if (a.name != b.name || a.size != b.size || a.folderOffset != b.folderOffset)
            Refuse(cabinets[i + 1].name, L"the file " + Quoted(b.name) + L" (" + Number(b.size) + L" bytes at " +
                                             Number(b.folderOffset) + L") does not continue " + Quoted(a.name) +
                                             L" (" + Number(a.size) + L" bytes at " + Number(a.folderOffset) +
                                             L") of " + cabinets[i].name);
    }
}

void CheckFiles(const std::vector<CabinetBytes>& cabinets, const std::vector<CabinetHeader>& headers,
                const FolderMap& folders, size_t i) {
    const CabinetHeader& header = headers[i];
    const std::wstring& name = cabinets[i].name;
    size_t last = header.folders.size() - 1;
    bool fromPrevious = i > 0 && FolderMap::ContinuesIntoNext(headers, i - 1);
    for (const CabinetFileEntry& file : header.files) {
        size_t folder = file.folder;
        if (file.folder == FolderContinuedFromPrevious || file.folder == FolderContinuedPreviousAndNext) {
            if (!fromPrevious)
                Refuse(name, L"the file " + Quoted(file.name) + L" continues a folder no cabinet before it holds");
            folder = 0;
        }
        if (file.folder == FolderContinuedToNext || file.folder == FolderContinuedPreviousAndNext) {
            if (!header.hasNext)
                Refuse(name, L"the file " + Quoted(file.name) + L" runs on into a cabinet that does not follow");
            if (file.folder == FolderContinuedPreviousAndNext && last != 0)
                Refuse(name, L"the file " + Quoted(file.name) + L" spans the cabinet, which holds " +
                                 Number(header.folders.size()) + L" folders");
            folder = last;
        }
        if (folder > last)
            Refuse(name, L"the file " + Quoted(file.name) + L" is in folder " + Number(file.folder) +
                             L", but the cabinet has " + Number(header.folders.size()));
        if (folders.OpenEnded(folders.Id(i, folder))) continue;
        uint64_t total = folders.Total(folders.Id(i, folder));
        if (static_cast<uint64_t>(file.folderOffset) + file.size > total)
            Refuse(name, L"the file " + Quoted(file.name) + L" (" + Number(file.size) + L" bytes at " +
                             Number(file.folderOffset) + L") lies outside its folder's " + Number(total) + L" bytes");
    }
}

}  // namespace

std::wstring ComparableName(const std::wstring& name) {
    Kestlib::StringList parts = Kestlib::SplitString(Kestlib::ReplaceAll(name, L"/", L"\\"), L"\\");
    std::wstring result;
    for (std::wstring& part : parts) {
        part = Kestlib::TrimRight(part, L". ");
        for (wchar_t& c : part) c = static_cast<wchar_t>(std::towupper(c));
        result += (result.empty() ? L"" : L"\\") + part;
    }
    return result;
}

SetSummary CheckCabinetSet(const std::vector<CabinetBytes>& cabinets) {
    SetSummary summary;
    std::vector<CabinetHeader> headers;
    for (const CabinetBytes& cabinet : cabinets) {
        if (!HasPlainSignature(cabinet)) break;
        try {
            headers.push_back(ReadCabinetHeader(cabinet.data, cabinet.size));
        } catch (const std::exception& error) {
            Refuse(cabinet.name, Kestlib::AnsiToWide(error.what()));
        }
        summary.cabinetBytes += cabinet.size;
        summary.records += headers.back().records;
    }
    summary.incomplete = headers.empty() ? !cabinets.empty() : headers.back().hasNext;
    if (headers.empty()) return summary;
    CheckChain(cabinets, headers);
    FolderMap folders(headers);
    for (size_t i = 0; i < headers.size(); ++i) {
        CheckFiles(cabinets, headers, folders, i);
        CheckSpanning(cabinets, headers, i);
    }

    std::vector<std::wstring> segments, seen;
    for (const CabinetBytes& cabinet : cabinets) segments.push_back(ComparableName(cabinet.name));
    for (size_t i = 0; i < headers.size(); ++i) {
        for (const CabinetFileEntry& file : headers[i].files) {
            if (RunsFromPrevious(file.folder)) continue;
            std::wstring decoded = DecodeStoredName(file.name.c_str(), (file.attributes & AttributeNameIsUtf8) != 0);
            RelativeName parts;
            NameFault fault = CheckRelativeName(decoded, parts);
            if (fault != NameFault::None)
                Refuse(cabinets[i].name, std::wstring(ErrorCodeText(NameFaultError(fault))) + L": '" + decoded + L"'");
            std::wstring key = ComparableName(decoded);
            for (const std::wstring& segment : segments)
                if (key == segment)
                    Refuse(cabinets[i].name, L"the file '" + decoded + L"' would overwrite a cabinet of the set");
            for (const std::wstring& other : seen)
                if (key == other) Refuse(cabinets[i].name, L"the file '" + decoded + L"' is stored twice");
            seen.push_back(key);
            summary.files.push_back(SetFile{decoded, file.size});
            summary.fileBytes += file.size;
        }
    }
    return summary;
}

}  // namespace Cabinet
