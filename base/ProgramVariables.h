#pragma once

#include <string>

// Replaces each #NAME (NAME = the longest run of ASCII letters after the '#')
// by the program's value for it: #CABPATH, #APPPATH, #SYSTEMPATH, #WINDOWSPATH,
// #SYSTEMWINDOWSPATH, #TEMPPATH, #GUID, #PID. A '#' not followed by a letter
// stays; any other name throws "Invalid variable #NAME in '<text>'".
std::wstring ExpandProgramVariables(const std::wstring& text);
