#include "lib/JsonText.h"

#include <cstdio>

#include "lib/TextConversion.h"

namespace Kestlib {

std::string JsonString(const std::wstring& text) {
    std::string json = "\"";
    for (char c : WideToUtf8(text)) {
        switch (c) {
            case '"': json += "\\\""; break;
            case '\\': json += "\\\\"; break;
            case '\n': json += "\\n"; break;
            case '\r': json += "\\r"; break;
            case '\t': json += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    json += escaped;
                } else {
                    json += c;
                }
        }
    }
    return json + "\"";
}

}  // namespace Kestlib
