#pragma once

#include <cstddef>
#include <string>

// The message when no configuration matches this machine. A document's own
// format gets the number of configurations in place of each %s; "%%" is a
// percent sign and any other '%' stays as written, so a document can never
// make the formatter read arguments that are not there.
std::wstring FormatNoMatchMessage(const std::wstring& format, std::size_t count);
