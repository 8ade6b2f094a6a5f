#include "sequence/RebootRunKey.h"

#include "base/InstallerCommandLineInfo.h"
#include "base/InstallerLog.h"
#include "lib/FileOps.h"
#include "lib/Registry.h"
#include "sequence/RebootCommandLine.h"

const wchar_t RebootRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring RebootRunValueName() { return Kestlib::GetFileName(Kestlib::GetModuleFileName()); }

void WriteRebootRunKey(const std::wstring& rebootCmd, const std::wstring& rebootCount) {
    std::wstring command = BuildRebootCommandLine(rebootCmd, rebootCount);
    std::wstring name = RebootRunValueName();
    LOG(L"Writing HKEY_LOCAL_MACHINE\\" << RebootRunKeyPath << L"\\" << name << L": " << command);
    Kestlib::RegistrySetStringValue(RebootRunKeyPath, name, command);
}

void RemoveRebootRunKey() {
    std::wstring name = RebootRunValueName();
    if (Kestlib::RegistryKeyExists(HKEY_LOCAL_MACHINE, RebootRunKeyPath, name))
        Kestlib::RegistryDeleteValue(RebootRunKeyPath, name);
}

void RemoveRebootRunKeyIfResumed() {
    if (InstallerCommandLineInfo::Instance().reboot) RemoveRebootRunKey();
}
