#include "payload/HeldDownloads.h"

#include <algorithm>
#include <utility>

void HeldDownloads::Keep(const void* owner, Kestlib::HeldFolder folder, Kestlib::FileHandle file) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_held.push_back(Held{owner, std::move(folder), std::move(file)});
}

void HeldDownloads::EndHolds(const void* owner) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_held.erase(std::remove_if(m_held.begin(), m_held.end(), [owner](const Held& held) { return held.owner == owner; }),
                 m_held.end());
}

void HeldDownloads::EndAllHolds() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_held.clear();
}
