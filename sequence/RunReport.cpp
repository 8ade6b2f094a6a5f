#include "sequence/RunReport.h"

#include <windows.h>

#include "config/InstallConfiguration.h"

void RunReport::BeginConfiguration(int number, const InstallConfiguration& configuration, unsigned long lcid) {
    for (size_t index = 0; index < m_entries.size(); ++index) {
        if (m_entries[index].configuration == number) {
            m_current = index;
            return;
        }
    }
    m_current = m_entries.size();
    // Filtered here without the log lines the list has written already.
    for (const ComponentPtr& component : configuration.components) {
        if (!component->IsSupported(lcid)) continue;
        Entry entry;
        entry.configuration = number;
        entry.component = component.get();
        entry.description = component->description;
        entry.kind = component->type;
        entry.installedBefore = component->foundInstalled;
        m_entries.push_back(entry);
    }
}

RunReport::Entry* RunReport::Find(const Component& component) {
    for (size_t index = m_current; index < m_entries.size(); ++index) {
        if (m_entries[index].component == &component) return &m_entries[index];
    }
    return nullptr;
}

void RunReport::Starting(const Component& component) {
    Entry* entry = Find(component);
    if (!entry) return;
    entry->outcome = Outcome::Ran;
    entry->startTick = ::GetTickCount64();
}

void RunReport::Started(const Component& component) {
    Entry* entry = Find(component);
    if (!entry) return;
    entry->started = true;
    entry->packageLog = component.PackageLogInUse();
}

void RunReport::End(Entry& entry, Outcome outcome) {
    entry.outcome = outcome;
    entry.ended = true;
    entry.durationMs = ::GetTickCount64() - entry.startTick;
    if (entry.started) entry.exitCode = entry.component->GetExitCode();
}

void RunReport::Succeeded(const Component& component) {
    if (Entry* entry = Find(component)) End(*entry, Outcome::Succeeded);
}

void RunReport::Failed(const Component& component, bool cancelled) {
    if (Entry* entry = Find(component)) End(*entry, cancelled ? Outcome::Cancelled : Outcome::Failed);
}

void RunReport::Cancelled(int number) {
    for (Entry& entry : m_entries) {
        if (entry.configuration == number && entry.outcome == Outcome::Skipped && !entry.installedBefore)
            entry.outcome = Outcome::Cancelled;
    }
}

const wchar_t* OutcomeName(RunReport::Outcome outcome) {
    switch (outcome) {
        case RunReport::Outcome::Ran: return L"ran";
        case RunReport::Outcome::Succeeded: return L"succeeded";
        case RunReport::Outcome::Failed: return L"failed";
        case RunReport::Outcome::Cancelled: return L"cancelled";
        default: return L"skipped";
    }
}
