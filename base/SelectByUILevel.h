#pragma once

#include <string>

// The variant of a text for the effective UI level. Basic falls back to the
// silent text, then the full one; silent falls back to basic, then full.
std::wstring SelectByUILevel(const std::wstring& silent, const std::wstring& basic,
                             const std::wstring& full);
