// Loading speed of large configuration documents, not a test:
//   config_load_bench [RUNS] [COMPONENTS]
// writes documents of 1,000 and 2,000 install configurations with COMPONENTS
// components each (default 10; every component with two installed checks and
// an embedded file, texts with variables), loads each one RUNS times (default
// 9) with ConfigFile::LoadFile, the two sizes in turns, and reports the
// medians, the share of the parser alone, and how the time grows from one
// size to the other.
#include <windows.h>
#include <shellapi.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/InstallerLog.h"
#include "bench/BenchTiming.h"
#include "config/ConfigFile.h"
#include "lib/FileOps.h"

namespace {

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
    std::wstring path;
    size_t configurations;
    std::vector<double> load, parse;
};

Figures Prepare(const std::wstring& folder, int configurations, int components) {
    Figures figures;
    figures.path = folder + L"\\configurations-" + std::to_wstring(configurations) + L".xml";
    figures.configurations = static_cast<size_t>(configurations);
    Write(figures.path, Document(configurations, components));
    return figures;
}

void Measure(Figures& figures) {
    figures.load.push_back(TimeLoad(figures.path, figures.configurations));
    figures.parse.push_back(TimeParse(figures.path));
}

void Report(const Figures& figures) {
    std::printf("%zu configurations (%.1f MB): load %.3f s (parser alone %.3f s)\n", figures.configurations,
                Kestlib::FileSize(figures.path) / 1048576.0, Median(figures.load), Median(figures.parse));
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

    // In turns, so that a drift of the machine's load touches both sizes alike.
    Figures small = Prepare(folder, 1000, components);
    Figures large = Prepare(folder, 2000, components);
    for (int i = 0; i < runs; ++i) {
        Measure(small);
        Measure(large);
    }
    std::printf("%d runs, %d components per configuration\n", runs, components);
    Report(small);
    Report(large);
    const double ratio = Median(large.load) / Median(small.load);
    std::printf("ratio 2000/1000: load %.2f (target at most 2.20), parser alone %.2f\n", ratio,
                Median(large.parse) / Median(small.parse));
    Kestlib::FileDelete(small.path);
    Kestlib::FileDelete(large.path);
    InstallerLog::Release();
    ::DeleteFileW(log.c_str());
    ::RemoveDirectoryW(folder.c_str());
    return ratio <= 2.2 ? 0 : 2;
}
