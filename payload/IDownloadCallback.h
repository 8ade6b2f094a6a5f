#pragma once

#include <cstdint>
#include <string>

// Progress of a download list, reported to its window. All but DownloadCancel
// are called on the worker thread and must hand their work to the window's
// thread without blocking; DownloadCancel is called on the window's thread.
class IDownloadCallback {
public:
    virtual ~IDownloadCallback() = default;
    virtual void Connecting() = 0;
    virtual void SendingRequest() = 0;
    // Sizes in bytes; a maximum of 0 is an unknown size.
    virtual void Status(std::uint64_t progress, std::uint64_t maximum, const std::wstring& text) = 0;
    virtual void DownloadComplete() = 0;
    virtual void DownloadError(const std::wstring& text) = 0;
    virtual bool IsDownloadCancelled() const = 0;
    virtual void DownloadCancel() = 0;
};
