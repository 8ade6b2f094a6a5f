#pragma once

#include <functional>
#include <string>
#include <vector>

// The process: creates the process-wide objects, parses the command line,
// writes the log header, and then performs one inspection mode or runs the
// chosen configurations through the main dialog. Every window it opens is
// modal and closed again before Run returns.
class CBootwrightApp {
public:
    // The arguments after the program name; reading them may fail.
    using ArgumentSource = std::function<std::vector<std::wstring>()>;

    // The whole run for the arguments the source gives; returns the process
    // exit code.
    int Run(const ArgumentSource& arguments);

private:
    void Start(const std::vector<std::wstring>& arguments);
    void RunMode();
    // Writes the result file (/ResultFile), then the finished line.
    void Shutdown();
    void WriteResult();

    // Becomes the exit code; -1 when start-up failed.
    int m_returnCode = 0;
};
