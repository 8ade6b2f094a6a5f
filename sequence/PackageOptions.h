#pragma once

#include <string>

class Component;
class InstallConfiguration;

// The component's position in its configuration's list, from 1 (document
// order, filtered or not); 0 when it is not there. It names the component on
// the resume command line and in its package log's name.
int ComponentNumber(const InstallConfiguration& configuration, const Component& component);

// What the run gives an installer package beyond its document's parameters,
// set on the component (at position number of the configuration at position
// configuration) before it starts: under /norestart the suppression of the
// package's own restart; when the log goes to a file named by /LogFile, a log
// of the package's own beside it (PackageLogPath). Without either option the
// command lines stay as the document makes them.
void PreparePackage(Component& component, int configuration, int number);

// Beside mainLog: its name without the extension, the configuration's and the
// component's positions and the description (characters a file name cannot
// hold replaced by "_", at most 60 of them), then extension:
// "C:\Logs\setup.log" -> "C:\Logs\setup.1.2.Quorvane Core.log".
std::wstring PackageLogPath(const std::wstring& mainLog, int configuration, int number,
                            const std::wstring& description, const std::wstring& extension);
