#pragma once

#include <windows.h>

#include <string>

#include "lib/TextConversion.h"
#include "tests/support/SetupRun.h"
#include "tests/support/TestEnvironment.h"

// Small configuration documents for runs of the real program, and what every
// such test needs around one run: a folder of its own, a log of its own.
namespace E2e {

const char kVersion[] = "1.7.29433.0";

inline std::string Utf8(const std::wstring& text) { return Kestlib::WideToUtf8(text); }

inline std::string Xml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}
inline std::string Xml(const std::wstring& text) { return Xml(Utf8(text)); }

// A document of this build's schema (or none) holding these configurations.
inline std::string Document(const std::string& configurations, const std::string& rootAttributes = std::string(),
                            bool schema = true) {
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configurations") +
           (rootAttributes.empty() ? "" : " " + rootAttributes) + ">\n" +
           (schema ? std::string("  <schema version=\"") + kVersion + "\" generator=\"e2e\"/>\n" : "") +
           configurations + "</configurations>\n";
}

inline std::string Install(const std::string& attributes, const std::string& components) {
    return "  <configuration type=\"install\" " + attributes + ">\n" + components + "  </configuration>\n";
}

inline std::string Reference(const std::wstring& filename) {
    return "  <configuration type=\"reference\"><configfile filename=\"" + Xml(filename) +
           "\"/></configuration>\n";
}

// A command component that writes a marker file, and counts as installed once the file is there.
inline std::string MarkerComponent(const std::string& description, const std::wstring& marker,
                                   const std::string& attributes = std::string(),
                                   const std::string& children = std::string()) {
    return "    <component type=\"cmd\" description=\"" + description + "\" command=\"" +
           Xml("cmd.exe /c echo " + description + "> \"" + Utf8(marker) + "\"") + "\"" +
           (attributes.empty() ? "" : " " + attributes) + ">\n      <installedcheck type=\"check_file\" filename=\"" +
           Xml(marker) + "\"/>\n" + children + "    </component>\n";
}

inline bool FileExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

const DWORD kFailed = static_cast<DWORD>(-1);
const DWORD kCancelled = static_cast<DWORD>(-2);

// A folder and a log of the test's own, and the command line that names the log.
struct Scenario {
    TestSupport::TempFolder folder;
    std::wstring log = folder / L"setup.log";

    std::wstring LogArguments() const { return L"/LogFile \"" + log + L"\""; }
    TestSupport::SetupOptions Options(const std::wstring& arguments) const {
        TestSupport::SetupOptions options;
        options.arguments = arguments.empty() ? LogArguments() : arguments + L" " + LogArguments();
        return options;
    }
    std::vector<std::string> Log() const { return TestSupport::ReadLogMessages(log); }
    std::string Dump() const { return "log:\n" + TestSupport::JoinMessages(Log()); }
};

const char kFinishedZero[] = "Bootwright finished, return code=0";
const char kErrorPrefix[] = "The following error occured: ";

}  // namespace E2e
