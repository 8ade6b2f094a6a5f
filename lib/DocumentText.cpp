#include "lib/DocumentText.h"

namespace Kestlib {

std::wstring FillDocumentText(const std::wstring& text, const std::wstring& value) {
    std::wstring result;
    result.reserve(text.size() + value.size());
    bool filled = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size()) {
            if (text[i + 1] == L'%') {
                result += L'%';
                ++i;
                continue;
            }
            if (text[i + 1] == L's' && !filled) {
                result += value;
                filled = true;
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

}  // namespace Kestlib
