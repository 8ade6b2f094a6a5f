// Writes what this process learns about the operating system to the file
// named by its argument: the id, its name and the build text, one per line,
// or "error: " and the message.
#include <cstdio>
#include <exception>
#include <string>

#include "base/OperatingSystem.h"
#include "lib/TextConversion.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string report;
    try {
        const int id = GetOperatingSystem();
        report = std::to_string(id) + "\n" + Kestlib::WideToAnsi(OperatingSystemName(id)) + "\n" +
                 Kestlib::WideToAnsi(OperatingSystemBuildText()) + "\n";
    } catch (const std::exception& e) {
        report = std::string("error: ") + e.what() + "\n";
    }
    FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 3;
    const bool written = std::fwrite(report.data(), 1, report.size(), out) == report.size();
    return (std::fclose(out) == 0 && written) ? 0 : 4;
}
