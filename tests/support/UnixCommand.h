#pragma once

#include <string>

namespace TestSupport {

// The path of a Windows file on the machine Wine runs on.
std::string UnixPath(const std::wstring& path);

// Runs a shell command on the machine Wine runs on (a second, independent
// cabinet decoder, for one) and returns its exit status, its output and
// errors in output. Wine starts such a program without waiting for it, so the
// command writes its status into a file that is waited for; -1 after the
// time-out.
int RunUnixCommand(const std::string& command, std::string* output, unsigned milliseconds = 120000);

}  // namespace TestSupport
