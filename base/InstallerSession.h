#pragma once

#include <map>
#include <memory>
#include <string>

#include "lib/HeldTree.h"
#include "lib/ProcessObject.h"

// What a run knows about itself: its GUID, the extraction folders and the
// component arguments of the command line.
class InstallerSession : public Kestlib::ProcessObject<InstallerSession> {
public:
    // Starts with a GUID of its own, so expansion works before any configuration is read.
    InstallerSession();

    // The GUID in braces, as #GUID expands it.
    const std::wstring& GetGuid() const { return m_guid; }
    // Called by the configuration loader each time a <configuration> is read,
    // right after the loader has logged "CreateGUID"; this call makes and stores
    // the new GUID and logs "CreateGuid: " + guid. So each load writes both
    // lines exactly once, in that order.
    void NewGuid();

    // The configured cab path when set, else the default one (created on first use).
    std::wstring GetCabPath();
    // Temporary folder + GUID of the run at the first call; the folder is created
    // then, and the same path is returned for the rest of the run.
    std::wstring GetDefaultCabPath();
    // The default cab path if one has been made, else empty; never creates anything,
    // so clean-up can find the folder without making one.
    const std::wstring& GetMadeDefaultCabPath() const { return m_defaultCabPath; }
    const std::wstring& GetConfiguredCabPath() const { return m_cabPath; }
    void SetConfiguredCabPath(const std::wstring& path) { m_cabPath = path; }

    // The folder an extraction writes into, held from here to the end of the
    // run or its removal: made for the run (with the protected access list
    // when the process is elevated), or, when it exists, entered and, by an
    // elevated run, taken over. The same path gives the same holder.
    Kestlib::HeldTree& HoldFolder(const std::wstring& path);
    // The holder of that folder; null when the run holds none there.
    Kestlib::HeldTree* FindHeldFolder(const std::wstring& path);
    // Ends every hold in that folder and removes it with everything in it,
    // through handles; a folder the run does not hold is removed the same way.
    bool RemoveFolder(const std::wstring& path);

    std::map<std::wstring, std::wstring> componentArgs;
    unsigned long languageId = 0;

private:
    std::wstring m_guid;
    std::wstring m_defaultCabPath;
    std::wstring m_cabPath;
    std::map<std::wstring, std::unique_ptr<Kestlib::HeldTree>> m_heldFolders;
};
