// Loading speed of large configuration documents, not a test:
//   config_load_bench [RUNS] [COMPONENTS]
// writes documents of 1,000 and 2,000 install configurations with COMPONENTS
// components each (default 10; every component with two installed checks and
// an embedded file, texts with variables), loads each one RUNS times (default
// 9) with ConfigFile::LoadFile and reports the medians, the share of the
// parser alone, and how the time grows from one size to the other.
#include <windows.h>
#include <shellapi.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/InstallerLog.h"
#include "config/ConfigFile.h"
#include "lib/FileOps.h"

namespace {

double Seconds() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Component(int configuration, int index) {
    const std::string name = std::to_string(configuration) + "." + std::to_string(index);
    return "    <component type=\"cmd\" description=\"Quorvane Module " + name +
           "\" command=\"#CABPATH\\module" + name + "\\setup.exe /quiet\" command_silent=\"#CABPATH\\module" + name +
           "\\setup.exe /silent\" required=\"false\" installcompletemessage=\"Module " + name +
           " is ready\">\n"
           "      <installedcheck type=\"check_registry_value\" rootkey=\"HKEY_LOCAL_MACHINE\" path=\"SOFTWARE\\Quorvane\\Module" +
           name + "\" fieldname=\"Version\" fieldtype=\"REG_SZ\" fieldvalue=\"1.2.3\" comparison=\"version\"/>\n"
           "      <installedcheck type=\"check_file\" filename=\"%ProgramFiles%\\Quorvane\\module" + name +
           ".dll\" fileversion=\"1.2.3.0\" comparison=\"version_ge\"/>\n"
           "      <embedfile sourcefilepath=\"files\\module" + name + "\\setup.exe\" targetfilepath=\"module" + name +
           "\\setup.exe\"/>\n"
           "    </component>\n";
}

std::string Document(int configurations, int components) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configurations ui_level=\"silent\">\n";
    for (int c = 0; c < configurations; ++c) {
        xml += "  <configuration type=\"install\" lcid_filter=\"" + std::to_string(1031 + c % 3) +
               "\" dialog_caption=\"Quorvane Suite Setup " + std::to_string(c) +
               "\" dialog_message=\"Components of the Quorvane suite on %COMPUTERNAME%\" cab_path=\"#TEMPPATH\\qvn#GUID\""
               " status_installed=\" (installed)\" status_notinstalled=\" (not installed)\""
               " dialog_position=\"10,10,480,360\" auto_start=\"true\">\n";
        for (int i = 0; i < components; ++i) xml += Component(c, i);
        xml += "  </configuration>\n";
    }
    return xml + "</configurations>\n";
}

void Write(const std::wstring& path, const std::string& bytes) {
    Kestlib::FileWriteAll(path, Kestlib::ByteVector(bytes.begin(), bytes.end()));
}

double TimeLoad(const std::wstring& path, size_t expected) {
    double start = Seconds();
    ConfigFile file;
    file.LoadFile(path);
    double elapsed = Seconds() - start;
    if (file.configurations.size() != expected) std::printf("loaded %zu configurations, expected %zu\n", file.configurations.size(), expected);
    return elapsed;
}

// The parser alone on the same bytes, for the share of the time it takes.
double TimeParse(const std::wstring& path) {
    double start = Seconds();
    Kestlib::ByteVector bytes = Kestlib::FileReadAll(path);
    bytes.push_back('\0');
    TiXmlDocument document;
    document.Parse(bytes.data());
    return Seconds() - start;
}

struct Figures {
    double load;
    double parse;
    long bytes;
};

Figures Measure(const std::wstring& folder, int configurations, int components, int runs) {
    const std::wstring path = folder + L"\\configurations-" + std::to_wstring(configurations) + L".xml";
    Write(path, Document(configurations, components));
    std::vector<double> load, parse;
    for (int i = 0; i < runs; ++i) {
        load.push_back(TimeLoad(path, static_cast<size_t>(configurations)));
        parse.push_back(TimeParse(path));
    }
    Figures figures = {Median(load), Median(parse), Kestlib::FileSize(path)};
    Kestlib::FileDelete(path);
    return figures;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    int runs = argc > 1 ? static_cast<int>(std::wcstoul(argv[1], nullptr, 10)) : 9;
    int components = argc > 2 ? static_cast<int>(std::wcstoul(argv[2], nullptr, 10)) : 10;
    if (runs < 1 || components < 1) {
        std::printf("usage: config_load_bench [RUNS] [COMPONENTS]\n");
        return 1;
    }
    const std::wstring folder = Kestlib::GetTemporaryDirectory() + L"config-load-bench";
    Kestlib::CreateDirectories(folder);
    // Every loaded object writes its line, as in a real run.
    const std::wstring log = folder + L"\\bench-" + std::to_wstring(::GetCurrentProcessId()) + L".log";
    InstallerLog::Instance().SetPath(log);

    Figures small = Measure(folder, 1000, components, runs);
    Figures large = Measure(folder, 2000, components, runs);
    std::printf("%d runs, %d components per configuration\n", runs, components);
    std::printf("1000 configurations (%.1f MB): load %.3f s (parser alone %.3f s)\n", small.bytes / 1048576.0, small.load, small.parse);
    std::printf("2000 configurations (%.1f MB): load %.3f s (parser alone %.3f s)\n", large.bytes / 1048576.0, large.load, large.parse);
    std::printf("ratio 2000/1000: load %.2f (target at most 2.20), parser alone %.2f\n", large.load / small.load,
                large.parse / small.parse);
    InstallerLog::Release();
    ::DeleteFileW(log.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return large.load / small.load <= 2.2 ? 0 : 2;
}
