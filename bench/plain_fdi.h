#pragma once

#include <string>

// The reference the extraction is measured against: the platform's
// decompressor with the least work around it, the set walked cabinet by cabinet.
bool PlainFdiExtract(const std::string& folder, const std::string& firstCabinet, const std::string& target);
