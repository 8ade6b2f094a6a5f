#pragma once

#include <cstddef>
#include <string>

// The parser recurses once per element level, so a document nested a few
// thousand levels deep would overflow the stack. Documents are scanned for
// their nesting before they reach it.
const unsigned MaxElementNesting = 256;

// Where, in a NUL-terminated document, an element first opens deeper than
// maxDepth levels: the offset of its '<', or npos when none does. The scan
// follows the parser's reading of comments, CDATA sections, processing
// instructions, declarations and attribute values, so it never counts fewer
// levels than the parser would enter.
size_t FindExcessiveNesting(const char* text, unsigned maxDepth);

// "row:column" (both counted from one) of an offset in a text.
std::wstring TextPosition(const char* text, size_t offset);
