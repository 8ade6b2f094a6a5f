#include "payload/ExtractCabProcessor.h"

#include <memory>

// Posting never waits for the window; the copy belongs to the window once
// the post succeeded.
void ExtractCabProcessor::OnStatus(const std::wstring& text) {
    HWND window = m_window.load();
    if (window == nullptr || !::IsWindow(window)) return;
    std::unique_ptr<std::wstring> copy(new std::wstring(text));
    if (::PostMessageW(window, ExtractStatusMessage, reinterpret_cast<WPARAM>(copy.get()), 0)) copy.release();
}

std::wstring ExtractCabProcessor::TakeStatusText(WPARAM parameter) {
    std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(parameter));
    return text ? *text : std::wstring();
}
