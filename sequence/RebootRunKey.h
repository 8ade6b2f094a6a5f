#pragma once

#include <string>

// The Run value under HKEY_LOCAL_MACHINE that starts the program again at the
// next logon, named after the program's file name.
extern const wchar_t RebootRunKeyPath[];
std::wstring RebootRunValueName();

// Builds the resume command line with rebootCmd and the count of restarts in
// a row (empty for a first restart), logs it and writes the value.
void WriteRebootRunKey(const std::wstring& rebootCmd, const std::wstring& rebootCount = std::wstring());
// Deletes the value if it exists; logs nothing.
void RemoveRebootRunKey();
// Start-up of a run resumed with /Reboot removes the value at once, so that a
// failure before the main dialog does not start the program again at every logon.
void RemoveRebootRunKeyIfResumed();
