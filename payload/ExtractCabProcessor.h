#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "payload/ExtractComponent.h"

// The status message posted to the extraction window: the first parameter is
// a heap text the window takes with TakeStatusText.
const UINT ExtractStatusMessage = WM_USER + 1;

// The extraction job behind the extraction window. The window attaches its
// handle once it exists; until then, and without a window, status texts are
// dropped. Held as JoinedJob<ExtractCabProcessor>.
class ExtractCabProcessor : public ExtractComponent {
public:
    explicit ExtractCabProcessor(HMODULE module) : ExtractComponent(module) {}

    // Called on the window's thread; nullptr detaches the window.
    void AttachWindow(HWND window) { m_window.store(window); }

    // Takes ownership of a posted status text.
    static std::wstring TakeStatusText(WPARAM parameter);

protected:
    ~ExtractCabProcessor() override = default;

    void OnStatus(const std::wstring& text) override;

private:
    std::atomic<HWND> m_window{nullptr};
};
