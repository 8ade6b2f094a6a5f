// Time, peak memory and output size of the packager, not a test:
//   packager_bench [--mixed] [--levels LEVEL,...] [PAYLOAD_MB ...]   (default: 200 1024, the default level)
//   packager_bench --write-mixed FOLDER PAYLOAD_MB
// For each size, writes a payload of incompressible files (--mixed: the
// extraction benchmark's, half text-like, half incompressible), packages it
// onto bin\bootwright.exe at each level (none, mszip, lzx15 ... lzx21) in a
// child process of its own, and reports the packaging time and processor
// time, that process's peak private bytes and peak working set, and the
// output's size. Everything it writes is deleted. --write-mixed only writes
// the mixed payload into the folder, for bench/packager-sizes.sh to compare
// with other compressors.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "bench/BenchPayload.h"
#include "bench/BenchTiming.h"
#include "lib/FileOps.h"
#include "lib/StringUtils.h"
#include "lib/TextConversion.h"
#include "packager/PackagerOptions.h"
#include "packager/SetupPackager.h"

namespace {

const unsigned long long kMega = 1024ULL * 1024ULL;
const unsigned long long kFileSize = 128 * kMega;
const unsigned long long kChunk = 8 * kMega;

std::vector<std::wstring> MakePayload(const std::wstring& folder, unsigned long long megabytes, bool mixed) {
    if (mixed) return WriteMixedPayload(folder, static_cast<unsigned long>(megabytes));
    std::vector<std::wstring> names;
    unsigned seed = 7;
    const unsigned long long total = megabytes * kMega;
    for (unsigned long long done = 0; done < total; done += kFileSize) {
        names.push_back(L"data" + std::to_wstring(names.size()) + L".bin");
        Kestlib::FileHandle file(::CreateFileW((folder + L"\\" + names.back()).c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        unsigned long long size = std::min(kFileSize, total - done);
        for (unsigned long long written = 0; written < size; written += kChunk) {
            std::string chunk(static_cast<size_t>(std::min(kChunk, size - written)), '\0');
            for (char& c : chunk) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
            DWORD count = 0;
            ::WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &count, nullptr);
        }
    }
    return names;
}

// In the child: packages at the level, then prints seconds, peak private MB,
// peak working set MB and the output's size.
int Measure(const std::wstring& folder, const std::wstring& level) {
    PackagerOptions options;
    options.bootstrapper = Kestlib::GetFileDirectory(Kestlib::GetModuleFileName()) + L"\\bootwright.exe";
    options.configuration = folder + L"\\setup.xml";
    options.output = folder + L"\\setup.exe";
    if (Kestlib::StartsWith(level, L"lzx")) {
        options.compression.method = Cabinet::CompressionMethod::Lzx;
        options.compression.lzxWindow = ParseLzxWindow(level.substr(3));
    } else {
        options.compression = ParseCompression(level);
    }
    double start = Seconds();
    SetupPackager(options, [](const std::wstring&) {}).Run();
    double seconds = Seconds() - start;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    // The processor time as well: on a machine shared with other work it is
    // about what the packaging takes on an idle one.
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto hundredNs = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    double processor = static_cast<double>(hundredNs(kernel) + hundredNs(user)) / 1e7;
    std::printf("%.1f s (processor %.1f s), peak private %.1f MB, peak working set %.1f MB, output %.1f MB\n", seconds,
                processor,
                static_cast<double>(counters.PeakPagefileUsage) / kMega,
                static_cast<double>(counters.PeakWorkingSetSize) / kMega,
                static_cast<double>(Kestlib::FileSize(options.output)) / kMega);
    return 0;
}

void RunChild(const std::wstring& arguments) {
    std::wstring command = L"\"" + Kestlib::GetModuleFileName() + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("cannot start the measuring process\n");
        return;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    InstallerLog::Instance().SetPath(Kestlib::GetTemporaryDirectory() + L"packager-bench-" +
                                     std::to_wstring(::GetCurrentProcessId()) + L".log");
    if (argc == 4 && std::wstring(argv[1]) == L"measure") return Measure(argv[2], argv[3]);
    if (argc == 4 && std::wstring(argv[1]) == L"--write-mixed") {
        // An empty folder would mean the root of the current drive.
        if (std::wstring(argv[2]).empty()) {
            std::printf("--write-mixed needs a folder\n");
            return 2;
        }
        Kestlib::CreateDirectories(argv[2]);
        WriteMixedPayload(argv[2], std::wcstoul(argv[3], nullptr, 10));
        return 0;
    }
    bool mixed = false;
    std::vector<std::wstring> levels;
    std::vector<unsigned long long> sizes;
    for (int i = 1; i < argc; ++i) {
        std::wstring argument = argv[i];
        if (argument == L"--mixed")
            mixed = true;
        else if (argument == L"--levels" && i + 1 < argc)
            levels = Kestlib::SplitString(argv[++i], L",");
        else
            sizes.push_back(std::wcstoull(argv[i], nullptr, 10));
    }
    if (sizes.empty()) sizes = {200, 1024};
    if (levels.empty()) levels = {L"lzx21"};
    std::wstring folder = Kestlib::GetTemporaryDirectory() + L"packager-bench";
    for (unsigned long long megabytes : sizes) {
        Kestlib::DeleteDirectory(folder, 7);
        Kestlib::CreateDirectories(folder + L"\\payload");
        std::string xml = "<configurations><configuration type=\"install\"><component type=\"cmd\" command=\"x\">";
        for (const std::wstring& name : MakePayload(folder + L"\\payload", megabytes, mixed))
            xml += "<embedfile sourcefilepath=\"payload\\" + Kestlib::WideToUtf8(name) + "\"/>";
        xml += "</component></configuration></configurations>";
        Kestlib::FileWriteAll(folder + L"\\setup.xml", Kestlib::ByteVector(xml.begin(), xml.end()));
        for (const std::wstring& level : levels) {
            std::printf("payload %llu MB (%s), %s: ", megabytes, mixed ? "half text" : "incompressible",
                        Kestlib::WideToUtf8(level).c_str());
            std::fflush(stdout);
            RunChild(L"measure \"" + folder + L"\" " + level);
        }
    }
    Kestlib::DeleteDirectory(folder, 7);
    return 0;
}
