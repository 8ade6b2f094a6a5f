#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "lib/Handles.h"
#include "lib/HeldFolder.h"

// The temporary file a download or a copy writes, in the held destination
// folder: created anew by this program when the first byte is due, then
// written through that one handle until it is moved to its destination,
// across every attempt of the download, so that resumed bytes only ever
// follow bytes this run wrote. Whatever was at the name before is not trusted
// and never written through: the entry goes (not what a link there leads to)
// and a new file is made, shared for reading only from its creation.
class DownloadTarget {
public:
    // name is the temporary file's name in folder; context names the download in error texts.
    DownloadTarget(const Kestlib::HeldFolder& folder, std::wstring name, std::wstring context);

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
    const std::wstring& Context() const { return m_context; }

    // The SHA-256 of the bytes written, read back through the handle.
    std::wstring Digest();
    // Gives the written file the name in the folder through its handle (a
    // file or link of that name is replaced as an entry, never written
    // through), and holds it: other processes can read and run it, not
    // write, replace, rename or delete it, as long as the returned handle is
    // open. The held file must be a plain file with one name, under that
    // name, whose bytes are digest; anything else fails.
    Kestlib::FileHandle MoveAndHold(const std::wstring& name, const std::wstring& digest);

    // What the server said of the file whose bytes these are: its validator
    // (a strong ETag, else Last-Modified; empty: none, so the bytes cannot be
    // continued) and its whole size (0: unknown). Empty once made anew.
    std::wstring validator;
    std::uint64_t total = 0;

private:
    const Kestlib::HeldFolder& m_folder;
    std::wstring m_name;
    std::wstring m_path;
    std::wstring m_context;
    Kestlib::FileHandle m_file;
    std::uint64_t m_size = 0;
};

// The existing file of that name in the folder, held as MoveAndHold holds;
// an invalid handle when it cannot be held or is not a plain file with one name.
Kestlib::FileHandle HoldExistingFile(const Kestlib::HeldFolder& folder, const std::wstring& name);
