#include "config/NestingDepth.h"

#include <cctype>
#include <cstring>

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
// Bytes above ASCII count as letters, as in the parser.
bool IsLetter(char c) {
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 127 || std::isalpha(byte) != 0;
}
bool IsNameChar(char c) {
    return IsLetter(c) || std::isdigit(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '.' ||
           c == ':';
}
bool StartsWith(const char* p, const char* prefix) { return std::strncmp(p, prefix, std::strlen(prefix)) == 0; }
bool StartsWithNoCase(const char* p, const char* prefix) {
    for (; *prefix; ++p, ++prefix) {
        if (std::tolower(static_cast<unsigned char>(*p)) != std::tolower(static_cast<unsigned char>(*prefix)))
            return false;
    }
    return true;
}

// White space as the parser skips it in UTF-8 documents: byte order marks too.
const char* SkipSpace(const char* p) {
    for (;;) {
        if (IsSpace(*p)) {
            ++p;
        } else if (StartsWith(p, "\xEF\xBB\xBF") || StartsWith(p, "\xEF\xBF\xBE") || StartsWith(p, "\xEF\xBF\xBF")) {
            p += 3;
        } else {
            return p;
        }
    }
}

const char* SkipName(const char* p) {
    while (IsNameChar(*p)) ++p;
    return p;
}

// Past the end marker, or at the terminator when there is none.
const char* SkipPast(const char* p, const char* end) {
    const char* found = std::strstr(p, end);
    return found ? found + std::strlen(end) : p + std::strlen(p);
}

// name = value; the value quoted, or unquoted up to white space, '/' or '>'.
// Null when the parser would stop here with an error.
const char* SkipAttribute(const char* p) {
    if (!IsLetter(*p) && *p != '_') return nullptr;
    p = SkipSpace(SkipName(p));
    if (*p != '=') return nullptr;
    p = SkipSpace(p + 1);
    if (*p == '"' || *p == '\'') {
        const char* close = std::strchr(p + 1, *p);
        return close ? close + 1 : p + std::strlen(p);
    }
    while (*p && !IsSpace(*p) && *p != '/' && *p != '>') {
        if (*p == '"' || *p == '\'') return nullptr;
        ++p;
    }
    return p;
}

// The parser's declaration: only version, encoding and standalone are read as
// attributes, anything else is passed over up to white space or '>'.
const char* SkipDeclaration(const char* p) {
    while (*p) {
        if (*p == '>') return p + 1;
        p = SkipSpace(p);
        if (StartsWithNoCase(p, "version") || StartsWithNoCase(p, "encoding") || StartsWithNoCase(p, "standalone")) {
            p = SkipAttribute(p);
            if (!p) return nullptr;
        } else {
            while (*p && *p != '>' && !IsSpace(*p)) ++p;
        }
    }
    return p;
}

}  // namespace

size_t FindExcessiveNesting(const char* text, unsigned maxDepth) {
    unsigned depth = 0;
    const char* p = text;
    // A place where the parser would stop with an error is read on as
    // content: the parser goes no deeper there, so counting on is safe.
    while (*p) {
        if (*p != '<') {
            ++p;
        } else if (StartsWithNoCase(p, "<?xml")) {
            const char* end = SkipDeclaration(p + 5);
            p = end ? end : p + 1;
        } else if (StartsWith(p, "<!--")) {
            p = SkipPast(p + 4, "-->");
        } else if (StartsWith(p, "<![CDATA[")) {
            p = SkipPast(p + 9, "]]>");
        } else if (StartsWith(p, "</")) {
            if (depth > 0) --depth;
            p = SkipPast(p + 2, ">");
        } else if (IsLetter(p[1]) || p[1] == '_') {
            const char* start = p;
            p = SkipName(p + 1);
            for (;;) {
                p = SkipSpace(p);
                if (!*p) break;
                if (*p == '/') {
                    if (p[1] == '>') p += 2;
                    break;
                }
                if (*p == '>') {
                    ++p;
                    if (++depth > maxDepth) return static_cast<size_t>(start - text);
                    break;
                }
                const char* next = SkipAttribute(p);
                if (!next) break;
                p = next;
            }
        } else {
            // Other declarations, the document type and processing
            // instructions end at the first '>', as the parser reads them.
            p = SkipPast(p + 1, ">");
        }
    }
    return std::string::npos;
}

std::wstring TextPosition(const char* text, size_t offset) {
    size_t row = 1;
    size_t column = 1;
    for (size_t i = 0; i < offset && text[i]; ++i) {
        if (text[i] == '\n') {
            ++row;
            column = 1;
        } else {
            ++column;
        }
    }
    return std::to_wstring(row) + L":" + std::to_wstring(column);
}
