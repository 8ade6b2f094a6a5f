// Speed and memory of the payload extraction, not a test:
//   extract_bench [PAYLOAD_MB] [RUNS]
// packs a payload (half compressible text, half random) into setup
// executables with 4, 16 and 64 MB segments (LZX, the default) and with 16 MB
// segments in MSZIP, then reports medians of the extraction step (segments
// written and unpacked) for both methods, against the platform's decompressor
// with the least work around it and against a plain copy of the payload, and
// the peak private bytes and working set of an extraction.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "base/InstallerSession.h"
#include "bench/BenchPayload.h"
#include "bench/BenchTiming.h"
#include "bench/plain_fdi.h"
#include "lib/Crc32.h"
#include "lib/FileOps.h"
#include "lib/Sha256.h"
#include "lib/TextConversion.h"
#include "packager/ResourceUpdate.h"
#include "packager/SetupPackager.h"
#include "payload/CabinetResources.h"
#include "payload/CabinetSetCheck.h"
#include "payload/ExtractComponent.h"

namespace {

const unsigned long kMega = 1024UL * 1024UL;

class QuietExtraction : public ExtractComponent {
public:
    using ExtractComponent::ExtractComponent;

protected:
    void OnStatus(const std::wstring&) override {}
};

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    Kestlib::FileWriteAll(path, Kestlib::ByteVector(bytes.begin(), bytes.end()));
}

std::wstring Package(const std::wstring& folder, const std::vector<std::wstring>& names, unsigned long segment,
                     Cabinet::CompressionMethod method = Cabinet::CompressionMethod::Lzx) {
    std::string xml = "<configurations><configuration type=\"install\"><component type=\"cmd\" command=\"x\">";
    for (const std::wstring& name : names) xml += "<embedfile sourcefilepath=\"payload\\" + Kestlib::WideToUtf8(name) + "\" targetfilepath=\"" + Kestlib::WideToUtf8(name) + "\"/>";
    xml += "</component></configuration></configurations>";
    WriteBytes(folder + L"\\setup.xml", xml);
    PackagerOptions options;
    options.bootstrapper = Kestlib::GetModuleFileName();
    options.configuration = folder + L"\\setup.xml";
    options.output = folder + L"\\setup" + std::to_wstring(segment / kMega) +
                     (method == Cabinet::CompressionMethod::Lzx ? L"" : L"-mszip") + L".exe";
    options.segmentSize = segment;
    options.compression.method = method;
    SetupPackager(options, [](const std::wstring&) {}).Run();
    return options.output;
}

// The extraction holds what it unpacked to the end of the run: the hold ends
// with the folder's removal, as at the end of a setup.
void Clear(const std::wstring& folder) { InstallerSession::Instance().RemoveFolder(folder); }

// The same setup as an older packager made it: no manifest, so no checksums.
std::wstring WithoutManifest(const std::wstring& setup) {
    std::wstring copy = setup + L".old.exe";
    ::CopyFileW(setup.c_str(), copy.c_str(), FALSE);
    ResourceUpdate update(copy, [](const std::wstring&, const std::wstring& name) { return name == CabManifestResourceName; });
    update.Commit();
    return copy;
}

// The header check alone, on the segments where the loader mapped them.
double TimeHeaderCheck(HMODULE module) {
    double start = Seconds();
    std::vector<Cabinet::CabinetBytes> cabinets;
    for (int i = 1; i <= CountSegments(module); ++i) {
        ResourceBytes bytes = LockResourceBytes(module, SegmentName(i), CabResourceType);
        cabinets.push_back(Cabinet::CabinetBytes{SegmentName(i) + L".CAB", reinterpret_cast<const unsigned char*>(bytes.data), bytes.size});
    }
    Cabinet::CheckCabinetSet(cabinets);
    return Seconds() - start;
}

// Both checksums over the payload's bytes in memory.
void TimeChecksums(const std::wstring& folder, const std::vector<std::wstring>& names) {
    double crc = 0, sha = 0;
    for (const std::wstring& name : names) {
        Kestlib::ByteVector bytes = Kestlib::FileReadAll(folder + L"\\" + name);
        double start = Seconds();
        Kestlib::Crc32::Of(bytes.data(), bytes.size());
        crc += Seconds() - start;
        start = Seconds();
        Kestlib::Sha256OfBytes(bytes.data(), bytes.size());
        sha += Seconds() - start;
    }
    std::printf("checksums over the payload in memory: CRC-32 %.2f s, SHA-256 %.2f s\n", crc, sha);
}

double TimeExtraction(HMODULE module, const std::wstring& target) {
    double start = Seconds();
    JoinedJob<QuietExtraction> job(module);
    job.cab_path = target;
    job.Start();
    job.WaitAndRethrow();
    return Seconds() - start;
}

// The same segment writes, then the bare decompressor loop.
double TimePlain(HMODULE module, const std::wstring& target) {
    double start = Seconds();
    Kestlib::CreateDirectories(target);
    int count = CountSegments(module);
    for (int i = 1; i <= count; ++i) {
        ResourceBytes bytes = LockResourceBytes(module, SegmentName(i), CabResourceType);
        Kestlib::FileHandle file(::CreateFileW((target + L"\\" + SegmentName(i) + L".CAB").c_str(), GENERIC_WRITE, 0,
                                               nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ::WriteFile(file.Get(), bytes.data, bytes.size, &written, nullptr);
    }
    std::string folder = Kestlib::WideToAnsi(target) + "\\";
    if (!PlainFdiExtract(folder, "SETUP_1.CAB", folder)) std::printf("plain extraction failed\n");
    for (int i = 1; i <= count; ++i) ::DeleteFileW((target + L"\\" + SegmentName(i) + L".CAB").c_str());
    return Seconds() - start;
}

double TimeCopy(const std::wstring& source, const std::vector<std::wstring>& names, const std::wstring& target) {
    double start = Seconds();
    Kestlib::CreateDirectories(target + L"\\data");
    for (const std::wstring& name : names) ::CopyFileW((source + L"\\" + name).c_str(), (target + L"\\" + name).c_str(), FALSE);
    return Seconds() - start;
}

int Measure(const std::wstring& mode, const std::wstring& setup, const std::wstring& target) {
    HMODULE module = ::LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (mode == L"extract") TimeExtraction(module, target);
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    std::printf("%.1f %.1f\n", static_cast<double>(counters.PeakPagefileUsage) / kMega,
                static_cast<double>(counters.PeakWorkingSetSize) / kMega);
    return 0;
}

std::string RunChild(const std::wstring& arguments) {
    std::wstring command = L"\"" + Kestlib::GetModuleFileName() + L"\" " + arguments;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readPipe = nullptr, writePipe = nullptr;
    ::CreatePipe(&readPipe, &writePipe, &inherit, 0);
    ::SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writePipe;
    startup.hStdError = writePipe;
    PROCESS_INFORMATION process = {};
    ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    ::CloseHandle(writePipe);
    std::string output;
    char buffer[256];
    DWORD read = 0;
    while (::ReadFile(readPipe, buffer, sizeof(buffer), &read, nullptr) && read > 0) output.append(buffer, read);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    ::CloseHandle(readPipe);
    return output;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    InstallerLog::Instance().SetPath(Kestlib::GetTemporaryDirectory() + L"extract-bench-" +
                                     std::to_wstring(::GetCurrentProcessId()) + L".log");
    if (argc == 5 && std::wstring(argv[1]) == L"measure") return Measure(argv[2], argv[3], argv[4]);
    unsigned long megabytes = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 200;
    int runs = argc > 2 ? static_cast<int>(std::wcstoul(argv[2], nullptr, 10)) : 5;
    std::wstring folder = Kestlib::GetTemporaryDirectory() + L"extract-bench";
    Clear(folder);
    Kestlib::CreateDirectories(folder + L"\\payload");
    std::vector<std::wstring> names = WriteMixedPayload(folder + L"\\payload", megabytes);
    std::wstring setup16 = Package(folder, names, 16 * kMega);
    std::wstring mszip16 = Package(folder, names, 16 * kMega, Cabinet::CompressionMethod::Mszip);
    std::wstring setup4 = Package(folder, names, 4 * kMega);
    std::wstring setup64 = Package(folder, names, 64 * kMega);
    std::printf("payload %lu MB in %zu files, %d runs\n", megabytes, names.size(), runs);

    HMODULE module = ::LoadLibraryExW(setup16.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE mszipModule = ::LoadLibraryExW(mszip16.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::wstring older = WithoutManifest(setup16);
    HMODULE olderModule = ::LoadLibraryExW(older.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    std::vector<double> extraction, mszip, unchecked, headers, plain, copy;
    for (int i = 0; i < runs; ++i) {
        extraction.push_back(TimeExtraction(module, folder + L"\\out"));
        Clear(folder + L"\\out");
        mszip.push_back(TimeExtraction(mszipModule, folder + L"\\out"));
        Clear(folder + L"\\out");
        unchecked.push_back(TimeExtraction(olderModule, folder + L"\\out"));
        Clear(folder + L"\\out");
        headers.push_back(TimeHeaderCheck(module));
        plain.push_back(TimePlain(module, folder + L"\\out"));
        Clear(folder + L"\\out");
        copy.push_back(TimeCopy(folder + L"\\payload", names, folder + L"\\out"));
        Clear(folder + L"\\out");
    }
    ::FreeLibrary(module);
    ::FreeLibrary(mszipModule);
    ::FreeLibrary(olderModule);
    std::printf("extraction step %.2f s, plain decompressor loop %.2f s (ratio %.3f), plain copy %.2f s\n",
                Median(extraction), Median(plain), Median(extraction) / Median(plain), Median(copy));
    std::printf("the same payload in MSZIP: extraction step %.2f s (LZX/MSZIP %.3f); setup.exe %.1f MB in LZX, %.1f MB in MSZIP\n",
                Median(mszip), Median(extraction) / Median(mszip),
                static_cast<double>(Kestlib::FileSize(setup16)) / kMega, static_cast<double>(Kestlib::FileSize(mszip16)) / kMega);
    std::printf("without the manifest (no checksums) %.2f s; header check alone %.1f ms\n", Median(unchecked),
                Median(headers) * 1000);
    TimeChecksums(folder + L"\\payload", names);
    std::string idle = RunChild(L"measure idle \"" + setup16 + L"\" \"" + folder + L"\\out\"");
    std::printf("idle: peak private MB, peak working set MB: %s", idle.c_str());
    for (const std::wstring& setup : {setup4, setup64}) {
        std::string peaks = RunChild(L"measure extract \"" + setup + L"\" \"" + folder + L"\\out\"");
        Clear(folder + L"\\out");
        std::printf("%s: %s", Kestlib::WideToAnsi(Kestlib::GetFileName(setup)).c_str(), peaks.c_str());
    }
    Clear(folder);
    return 0;
}
