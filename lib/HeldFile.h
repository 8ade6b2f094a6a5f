#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "lib/Handles.h"

namespace Kestlib {

// A file this process created and holds (see HeldFolder::NewFile). While it is
// written, others may only read it; once sealed, its handle is a reader's that
// refuses every other writer and every delete or rename, so other processes
// can open it for reading and run it, and nobody can change, replace, move or
// delete it until it is released. Move-only.
class HeldFile {
public:
    HeldFile() = default;
    HeldFile(FileHandle writer, std::wstring path, std::wstring name);

    // The writing handle until Seal, the holding one after.
    HANDLE Get() const { return m_file.Get(); }
    bool IsValid() const { return m_file.IsValid(); }
    bool IsSealed() const { return m_sealed; }
    const std::wstring& Path() const { return m_path; }
    // The name inside its folder.
    const std::wstring& Name() const { return m_name; }

    // Ends the writing. The hand-over runs through handles of the same file,
    // never its name: a reading handle that lets the writer be, under a
    // shared lock of the whole file that stops every write, then the holding
    // handle once the writer is closed. Throws when another process opened
    // the file for writing meanwhile or its size changed.
    void Seal();
    // A further reading handle of the same file, with a position of its own.
    FileHandle OpenReader() const;
    // Closes the handle: the file is no longer held.
    void Release() { m_file.Reset(); }
    uint64_t Size() const;

private:
    FileHandle m_file;
    std::wstring m_path;
    std::wstring m_name;
    bool m_sealed = false;
};

}  // namespace Kestlib
