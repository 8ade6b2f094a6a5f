#pragma once

#include <windows.h>

#include <string>

// A basic-level box left alone closes itself after this time...
constexpr DWORD TimedMessageBoxTimeout = 250000;
// ...checked at this interval...
constexpr DWORD TimedMessageBoxPollInterval = 2000;
// ...and the box then ends with this result, which the caller never sees.
constexpr int TimedMessageBoxTimedOut = 0xFFFFFF;

// Every message to the user: a plain modal box at the full level, nothing at
// the silent level (the caller gets defaultResult), a box that closes itself
// after the time-out at the basic level (then also defaultResult).
int ShowTimedMessageBox(const std::wstring& text, UINT type, int defaultResult);

// The same with the time-out and the polling interval of the basic level given.
int ShowTimedMessageBox(const std::wstring& text, UINT type, int defaultResult,
                        DWORD timeoutMs, DWORD pollIntervalMs);
