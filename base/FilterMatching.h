#pragma once

#include <string>

// The language, processor and operating-system filters that configurations
// and components carry.

// "1031,1033" accepts either language; "!1033" every language but one.
bool MatchLcidFilter(const std::wstring& filter, unsigned long lcid);
// A plain name accepts, a negated one ("!x86") only ever rejects.
bool MatchProcessorFilter(const std::wstring& filter, int architecture);
// Both bounds are exclusive; empty bounds are -1 and 121.
bool MatchOsRange(const std::wstring& greater, const std::wstring& smaller, int os);
