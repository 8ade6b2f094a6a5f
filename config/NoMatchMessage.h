#pragma once

#include <cstddef>
#include <string>

// The message when no configuration matches this machine. A document's own
// text gets the number of configurations in place of its first %s, as every
// document text with a value does (FillDocumentText).
std::wstring FormatNoMatchMessage(const std::wstring& format, std::size_t count);
