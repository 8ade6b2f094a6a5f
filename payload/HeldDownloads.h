#pragma once

#include <mutex>
#include <vector>

#include "lib/Handles.h"
#include "lib/HeldFolder.h"
#include "lib/ProcessObject.h"

// The files of the run's download lists that were checked, each held with
// its folder: others can read and run them, nobody can write, replace,
// rename or delete them, until their download list goes or runs again, the
// extraction folder is removed (downloads may lie in it), or the run ends.
class HeldDownloads : public Kestlib::ProcessObject<HeldDownloads> {
public:
    void Keep(const void* owner, Kestlib::HeldFolder folder, Kestlib::FileHandle file);
    // Ends the holds of one owner.
    void EndHolds(const void* owner);
    void EndAllHolds();

private:
    struct Held {
        const void* owner;
        Kestlib::HeldFolder folder;
        Kestlib::FileHandle file;
    };
    // Kept on a download list's worker thread, released on the window's.
    std::mutex m_lock;
    std::vector<Held> m_held;
};
