// Start-up cost of a setup run against a bare program, not a test:
//   startup_bench RUNS PROGRAM [ARGUMENTS...]
// starts bare_program.exe, windowed_program.exe (both beside this program)
// and PROGRAM with its arguments RUNS times each, in turns after one start of
// each to warm the caches, and reports the median wall time from process
// creation to exit of each and the ratio of PROGRAM to the bare program.
// Every run must exit with 0.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"

namespace {

std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    return L"\"" + argument + L"\"";
}

struct Run {
    std::wstring program;
    std::wstring command;
};

// Seconds from CreateProcessW to the end of the process; -1 when it could not
// start or did not exit with 0.
double TimeRun(const Run& run) {
    std::wstring command = run.command;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double start = Seconds();
    if (!::CreateProcessW(run.program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        std::printf("cannot start %ls: error %lu\n", run.program.c_str(), ::GetLastError());
        return -1;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = Seconds() - start;
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (code != 0) {
        std::printf("%ls exited with %ld\n", run.program.c_str(), static_cast<long>(static_cast<LONG>(code)));
        return -1;
    }
    return elapsed;
}

std::wstring ModuleDirectory() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L'\\') + 1);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    int runs = argc > 2 ? static_cast<int>(std::wcstoul(argv[1], nullptr, 10)) : 0;
    if (runs < 1) {
        std::printf("usage: startup_bench RUNS PROGRAM [ARGUMENTS...]\n");
        return 1;
    }
    Run bare = {ModuleDirectory() + L"bare_program.exe", L""};
    bare.command = Quote(bare.program);
    Run setup = {argv[2], Quote(argv[2])};
    for (int i = 3; i < argc; ++i) setup.command += L" " + Quote(argv[i]);

    Run windowed = {ModuleDirectory() + L"windowed_program.exe", L""};
    windowed.command = Quote(windowed.program);

    if (TimeRun(bare) < 0 || TimeRun(windowed) < 0 || TimeRun(setup) < 0) return 1;
    std::vector<double> bareTimes, windowedTimes, setupTimes;
    for (int i = 0; i < runs; ++i) {
        double b = TimeRun(bare);
        double w = TimeRun(windowed);
        double s = TimeRun(setup);
        if (b < 0 || w < 0 || s < 0) return 1;
        bareTimes.push_back(b);
        windowedTimes.push_back(w);
        setupTimes.push_back(s);
    }
    double ratio = Median(setupTimes) / Median(bareTimes);
    std::printf("%d runs each: bare program %.1f ms (min %.1f), nothing-to-do setup run %.1f ms (min %.1f)\n", runs,
                Median(bareTimes) * 1000, *std::min_element(bareTimes.begin(), bareTimes.end()) * 1000,
                Median(setupTimes) * 1000, *std::min_element(setupTimes.begin(), setupTimes.end()) * 1000);
    std::printf("windowed program with the setup's imports %.1f ms (min %.1f)\n", Median(windowedTimes) * 1000,
                *std::min_element(windowedTimes.begin(), windowedTimes.end()) * 1000);
    std::printf("ratio %.2f (target at most 1.50); windowed program against bare %.2f\n", ratio,
                Median(windowedTimes) / Median(bareTimes));
    return ratio <= 1.5 ? 0 : 2;
}
