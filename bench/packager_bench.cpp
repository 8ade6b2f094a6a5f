// Time and peak memory of the packager, not a test:
//   packager_bench [PAYLOAD_MB ...]   (default 200 1024)
// For each size, writes a payload of incompressible files (so the cabinet set
// is as large as the payload), packages it onto bin\bootwright.exe in a child
// process of its own, and reports the packaging time and that process's peak
// private bytes and peak working set. Everything it writes is deleted.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "bench/BenchTiming.h"
#include "lib/FileOps.h"
#include "lib/TextConversion.h"
#include "packager/SetupPackager.h"

namespace {

const unsigned long long kMega = 1024ULL * 1024ULL;
const unsigned long long kFileSize = 128 * kMega;

std::vector<std::wstring> MakePayload(const std::wstring& folder, unsigned long long megabytes) {
    std::vector<std::wstring> names;
    std::string chunk(8 * kMega, '\0');
    unsigned seed = 7;
    for (unsigned long long done = 0; done < megabytes * kMega; done += kFileSize) {
        names.push_back(L"data" + std::to_wstring(names.size()) + L".bin");
        Kestlib::FileHandle file(::CreateFileW((folder + L"\\" + names.back()).c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        unsigned long long size = std::min(kFileSize, megabytes * kMega - done);
        for (unsigned long long written = 0; written < size; written += chunk.size()) {
            for (char& c : chunk) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
            DWORD count = 0;
            ::WriteFile(file.Get(), chunk.data(), static_cast<DWORD>(std::min<unsigned long long>(chunk.size(), size - written)),
                        &count, nullptr);
        }
    }
    return names;
}

// In the child: packages, then prints seconds, peak private MB and peak working set MB.
int Measure(const std::wstring& folder) {
    PackagerOptions options;
    options.bootstrapper = Kestlib::GetFileDirectory(Kestlib::GetModuleFileName()) + L"\\bootwright.exe";
    options.configuration = folder + L"\\setup.xml";
    options.output = folder + L"\\setup.exe";
    double start = Seconds();
    SetupPackager(options, [](const std::wstring&) {}).Run();
    double seconds = Seconds() - start;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    std::printf("%.1f s, peak private %.1f MB, peak working set %.1f MB, output %.1f MB\n", seconds,
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
    if (argc == 3 && std::wstring(argv[1]) == L"measure") return Measure(argv[2]);
    std::vector<unsigned long long> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::wcstoull(argv[i], nullptr, 10));
    if (sizes.empty()) sizes = {200, 1024};
    std::wstring folder = Kestlib::GetTemporaryDirectory() + L"packager-bench";
    for (unsigned long long megabytes : sizes) {
        Kestlib::DeleteDirectory(folder, 7);
        Kestlib::CreateDirectories(folder + L"\\payload");
        std::string xml = "<configurations><configuration type=\"install\"><component type=\"cmd\" command=\"x\">";
        for (const std::wstring& name : MakePayload(folder + L"\\payload", megabytes))
            xml += "<embedfile sourcefilepath=\"payload\\" + Kestlib::WideToUtf8(name) + "\"/>";
        xml += "</component></configuration></configurations>";
        Kestlib::FileWriteAll(folder + L"\\setup.xml", Kestlib::ByteVector(xml.begin(), xml.end()));
        std::printf("payload %llu MB: ", megabytes);
        std::fflush(stdout);
        RunChild(L"measure \"" + folder + L"\"");
    }
    Kestlib::DeleteDirectory(folder, 7);
    return 0;
}
