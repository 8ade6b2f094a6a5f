#include "app/ResultFile.h"

#include <windows.h>

#include "lib/FileOps.h"
#include "lib/Handles.h"
#include "lib/JsonText.h"
#include "lib/SystemError.h"
#include "sequence/RunReport.h"

namespace {

const char* KindName(ComponentType kind) {
    switch (kind) {
        case ComponentTypeMsi: return "msi";
        case ComponentTypeMsu: return "msu";
        case ComponentTypeOpenFile: return "openfile";
        default: return "cmd";
    }
}

const char* Boolean(bool value) { return value ? "true" : "false"; }

std::string ComponentObject(const RunReport::Entry& entry) {
    std::string text = "    {\n";
    text += "      \"configuration\": " + std::to_string(entry.configuration) + ",\n";
    text += "      \"description\": " + Kestlib::JsonString(entry.description) + ",\n";
    text += std::string("      \"kind\": \"") + KindName(entry.kind) + "\",\n";
    text += std::string("      \"installedBefore\": ") + Boolean(entry.installedBefore) + ",\n";
    text += "      \"outcome\": " + Kestlib::JsonString(OutcomeName(entry.outcome)) + ",\n";
    text += "      \"exitCode\": " + (entry.started && entry.ended ? std::to_string(entry.exitCode) : "null") + ",\n";
    text += "      \"durationMs\": " + (entry.ended ? std::to_string(entry.durationMs) : "null") + ",\n";
    text += "      \"packageLog\": " + (entry.packageLog.empty() ? "null" : Kestlib::JsonString(entry.packageLog)) + "\n";
    return text + "    }";
}

}  // namespace

std::string ResultFileText(int exitCode, const RunReport& report) {
    std::string text = "{\n  \"formatVersion\": 1,\n";
    text += "  \"exitCode\": " + std::to_string(exitCode) + ",\n";
    text += std::string("  \"restartRequired\": ") + Boolean(report.IsRestartRequired()) + ",\n";
    text += std::string("  \"restartStarted\": ") + Boolean(report.IsRestartStarted()) + ",\n";
    text += "  \"components\": [";
    const char* separator = "\n";
    for (const RunReport::Entry& entry : report.Entries()) {
        text += separator + ComponentObject(entry);
        separator = ",\n";
    }
    return text + (report.Entries().empty() ? "]\n}\n" : "\n  ]\n}\n");
}

void WriteResultFile(const std::wstring& path, const std::string& text) {
    const std::wstring folder = Kestlib::GetFileDirectory(path);
    if (!folder.empty()) Kestlib::CreateDirectories(folder);
    const std::wstring temporary = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
    try {
        {
            // A new file only: never one that is there already, or a link.
            Kestlib::FileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
            if (!file) Kestlib::ThrowLastError(L"Error creating \"" + temporary + L"\"");
            DWORD written = 0;
            if (!::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
                written != text.size() || !::FlushFileBuffers(file.Get()))
                Kestlib::ThrowLastError(L"Error writing to \"" + temporary + L"\"");
        }
        if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            Kestlib::ThrowLastError(L"Error moving \"" + temporary + L"\" to \"" + path + L"\"");
    } catch (...) {
        ::DeleteFileW(temporary.c_str());
        throw;
    }
}
