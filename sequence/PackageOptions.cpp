#include "sequence/PackageOptions.h"

#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "components/Component.h"
#include "config/InstallConfiguration.h"
#include "lib/FileOps.h"

namespace {

const size_t MaxDescriptionCharacters = 60;

std::wstring FileNamePart(const std::wstring& description) {
    std::wstring part;
    for (wchar_t c : description.substr(0, MaxDescriptionCharacters))
        part += (c < 32 || std::wstring(L"\\/:*?\"<>|").find(c) != std::wstring::npos) ? L'_' : c;
    // Windows drops trailing dots and blanks from a name.
    while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
    return part;
}

}  // namespace

int ComponentNumber(const InstallConfiguration& configuration, const Component& component) {
    for (size_t index = 0; index < configuration.components.size(); ++index) {
        if (configuration.components[index].get() == &component) return static_cast<int>(index + 1);
    }
    return 0;
}

void PreparePackage(Component& component, int configuration, int number) {
    const InstallerCommandLineInfo& options = InstallerCommandLineInfo::Instance();
    component.suppressRestart = options.noRestart;
    component.packageLog.clear();
    if (options.logFile.empty()) return;
    // wusa writes its log in the event log's own format.
    const wchar_t* extension = component.type == ComponentTypeMsi   ? L".log"
                               : component.type == ComponentTypeMsu ? L".evtx"
                                                                    : nullptr;
    if (extension)
        component.packageLog = PackageLogPath(InstallerLog::Instance().GetPath(), configuration, number,
                                              component.description, extension);
}

std::wstring PackageLogPath(const std::wstring& mainLog, int configuration, int number,
                            const std::wstring& description, const std::wstring& extension) {
    std::wstring name = Kestlib::GetFileName(mainLog);
    const std::wstring::size_type dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.erase(dot);
    name += L"." + std::to_wstring(configuration) + L"." + std::to_wstring(number);
    const std::wstring part = FileNamePart(description);
    if (!part.empty()) name += L"." + part;
    // The folder part ends with its separator, or is empty for a log in the current folder.
    return Kestlib::GetFileDirectory(mainLog) + name + extension;
}
