#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "lib/Handles.h"

// The temporary file a download writes: created anew by this program when the
// first byte is due (whatever was there before is not trusted), then written
// through that one handle until it is closed, across every attempt of the
// download, so that resumed bytes only ever follow bytes this run wrote.
class DownloadTarget {
public:
    // context names the download in error texts.
    DownloadTarget(std::wstring path, std::wstring context);

    const std::wstring& Path() const { return m_path; }
    bool IsOpen() const { return m_file.IsValid(); }
    // Bytes written and kept so far.
    std::uint64_t Size() const { return m_size; }

    // Opens the file, made anew, unless it is open already; then drops what
    // it holds when fromZero is set.
    void Begin(bool fromZero);
    void Append(const void* data, DWORD size);
    // Ends writing; the bytes stay in the file.
    void Close();
    // Closes and removes the file: nothing in it may pass for the download.
    void Discard();
    void SetContext(const std::wstring& context) { m_context = context; }

    // What the server said of the file whose bytes these are: its validator
    // (a strong ETag, else Last-Modified; empty: none, so the bytes cannot be
    // continued) and its whole size (0: unknown). Empty once made anew.
    std::wstring validator;
    std::uint64_t total = 0;

private:
    std::wstring m_path;
    std::wstring m_context;
    Kestlib::FileHandle m_file;
    std::uint64_t m_size = 0;
};
