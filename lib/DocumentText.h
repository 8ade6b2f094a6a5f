#pragma once

#include <string>

namespace Kestlib {

// A text from a configuration document with the one value it may show. Such
// texts are data, never printf formats: the value takes the place of the
// first "%s", "%%" is a percent sign, and every other '%' (a second "%s",
// "%d", "%n", a lone '%') stays as written, so neither the document nor a
// variable expanded into it can make the formatter read what was not passed.
std::wstring FillDocumentText(const std::wstring& text, const std::wstring& value);

}  // namespace Kestlib
