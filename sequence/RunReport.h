#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "components/Component.h"
#include "lib/ProcessObject.h"

class InstallConfiguration;

// What happened to each component of the configurations a run showed, and
// whether the run needs or started a restart: the record a result file is
// written from (app/ResultFile.h). One per process; the installation
// sequence tells it what happens, in order.
class RunReport : public Kestlib::ProcessObject<RunReport> {
public:
    enum class Outcome {
        // Not run: installed, unchecked, or not reached because the run
        // stopped before it (a restart, an error outside the components).
        Skipped,
        // Its step began, but the run saw no end of it.
        Ran,
        Succeeded,
        Failed,
        // To be installed when the user cancelled, or its download was cancelled.
        Cancelled,
    };

    struct Entry {
        // The configuration's position in the run's list, from 1.
        int configuration = 0;
        const Component* component = nullptr;
        std::wstring description;
        ComponentType kind = ComponentTypeCmd;
        bool installedBefore = false;
        Outcome outcome = Outcome::Skipped;
        // Its program started: the exit code is its own.
        bool started = false;
        unsigned long exitCode = 0;
        bool ended = false;
        std::uint64_t durationMs = 0;
        std::wstring packageLog;
        std::uint64_t startTick = 0;
    };

    // The components of configuration supported for lcid, in order, with the
    // installed state the main window's list found. Shown again (Install
    // pressed a second time), a configuration keeps its entries.
    void BeginConfiguration(int number, const InstallConfiguration& configuration, unsigned long lcid);
    // The component's step begins (its download first).
    void Starting(const Component& component);
    // Its program runs, writing its log where PackageLogInUse says.
    void Started(const Component& component);
    void Succeeded(const Component& component);
    // A cancelled download counts as cancelled; anything else as failed.
    void Failed(const Component& component, bool cancelled);
    // The user cancelled configuration number: what was still to be installed is cancelled.
    void Cancelled(int number);
    void SetRestartRequired() { m_restartRequired = true; }
    void SetRestartStarted() { m_restartStarted = true; }

    const std::vector<Entry>& Entries() const { return m_entries; }
    // A component of the run asked for a restart, whatever became of the request.
    bool IsRestartRequired() const { return m_restartRequired; }
    // The run or one of its packages has started a restart of the machine.
    bool IsRestartStarted() const { return m_restartStarted; }

private:
    // The entry of component in the configuration begun last; null if none.
    Entry* Find(const Component& component);
    void End(Entry& entry, Outcome outcome);

    std::vector<Entry> m_entries;
    size_t m_current = 0;
    bool m_restartRequired = false;
    bool m_restartStarted = false;
};

// The outcome's name in a result file: "skipped", "ran", "succeeded", "failed", "cancelled".
const wchar_t* OutcomeName(RunReport::Outcome outcome);
