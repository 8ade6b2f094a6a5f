#pragma once

#include <stdexcept>
#include <string>
#include <type_traits>

#include "lib/Handles.h"
#include "lib/ProcessObject.h"

namespace Kestlib {

// The log file cannot be opened: usually another instance holds it. The text
// is the path alone; the platform's error of the open is kept beside it.
class LogFileWriteException : public std::runtime_error {
public:
    LogFileWriteException(const std::string& path, unsigned long error)
        : std::runtime_error(path), m_error(error) {}
    unsigned long GetError() const { return m_error; }

private:
    unsigned long m_error;
};

}  // namespace Kestlib

// The run's log: one time-stamped line per message, appended to one file that
// stays open (shared for reading only) until the process ends, which also
// keeps a second instance with the same log file from starting.
class InstallerLog : public Kestlib::ProcessObject<InstallerLog> {
public:
    void Write(const std::wstring& message);
    // Write for the places where a failure must not escape (error handlers,
    // thread bodies, shutdown): the outcome is decided already, and a log
    // that cannot be written has nowhere else to go, so the line is lost.
    void TryWrite(const std::wstring& message);
    void SetPath(const std::wstring& path) { m_path = path; }
    const std::wstring& GetPath() const { return m_path; }
    void SetEnabled(bool enabled) { m_enabled = enabled; }

private:
    void Open();

    bool m_enabled = true;
    std::wstring m_path;
    Kestlib::FileHandle m_file;
};

// One log line made of texts and whole numbers. Not a text stream: streams
// bring the whole locale machinery into the program, several times its size.
class LogLine {
public:
    LogLine& operator<<(const std::wstring& text) {
        m_text += text;
        return *this;
    }
    LogLine& operator<<(const wchar_t* text) {
        m_text += text;
        return *this;
    }
    template <typename Number,
              typename = std::enable_if_t<std::is_integral_v<Number> && !std::is_same_v<Number, bool> &&
                                          !std::is_same_v<Number, char> && !std::is_same_v<Number, wchar_t>>>
    LogLine& operator<<(Number value) {
        m_text += std::to_wstring(value);
        return *this;
    }
    const std::wstring& Text() const { return m_text; }

private:
    std::wstring m_text;
};

// Builds and writes one log line: LOG(L"Read " << n << L" item(s)").
#define LOG(expression)                                       \
    do {                                                      \
        LogLine log_line_;                                    \
        log_line_ << expression;                              \
        InstallerLog::Instance().Write(log_line_.Text());     \
    } while (0)
