#include "base/ApplicationTitle.h"

#include "lib/FileOps.h"

const std::wstring& ApplicationTitle::GetTitle() {
    if (m_title.empty()) {
        // The program file's name without its folder and extension.
        m_title = Kestlib::GetFileName(Kestlib::GetModuleFileName());
        const std::wstring::size_type dot = m_title.rfind(L'.');
        if (dot != std::wstring::npos && dot > 0) m_title.erase(dot);
    }
    return m_title;
}
