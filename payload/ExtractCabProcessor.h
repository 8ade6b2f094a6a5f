#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "payload/ExtractComponent.h"

// The status message posted to the extraction window: the first parameter is
// a heap text the window takes with TakeStatusText. From the WM_APP range:
// the WM_USER range is the dialog manager's own (DM_SETDEFID is WM_USER + 1).
const UINT ExtractStatusMessage = WM_APP + 1;

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
