#pragma once

#include <string>
#include <vector>

#include "base/SharedAny.h"
#include "components/EmbedFile.h"
#include "components/InstalledCheck.h"
#include "payload/DownloadDialog.h"

class TiXmlElement;

enum ComponentType : int {
    ComponentTypeCmd = 1,
    ComponentTypeMsi = 2,
    ComponentTypeMsu = 3,
    ComponentTypeOpenFile = 4,
};

// One unit of installation work of a configuration: what every kind shares,
// read from a <component> element. The kinds decide how the work runs.
class Component {
public:
    explicit Component(ComponentType componentType) : type(componentType) {}
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Starts the work and returns once it runs.
    virtual void Exec() = 0;
    // Blocks until the work has ended, polling IsExecuting; the process kinds
    // also judge the exit code here and throw on failure.
    virtual void Wait(unsigned long milliseconds);
    virtual bool IsRebootRequired() const { return mustreboot; }
    // The work itself has started a restart of the machine (a package that
    // ended with 1641): nobody needs to ask for one.
    virtual bool HasStartedRestart() const { return false; }
    // The log the package writes as it was started: packageLog unless its
    // parameters name one of their own; empty for the other kinds.
    virtual std::wstring PackageLogInUse() const { return std::wstring(); }
    virtual bool IsExecuting() const = 0;
    // False without checks; otherwise every check runs (no early stop), so a
    // failing check is reported even after a false one.
    virtual bool IsInstalled() const;
    // The shared attributes and children; each kind reads its own attributes first.
    virtual void Load(const TiXmlElement* element);
    // Language, then processor, then the exclusive operating-system range.
    virtual bool IsSupported(unsigned long lcid) const;
    virtual unsigned long GetExitCode() const = 0;
    virtual std::wstring ToString(int indent) const;

    const ComponentType type;
    std::wstring description;
    std::wstring status_installed;
    std::wstring status_notinstalled;
    std::wstring os_filter_greater;
    std::wstring os_filter_smaller;
    std::wstring os_filter_lcid;
    std::wstring installcompletemessage;
    bool mustreboot = false;
    std::wstring reboot_required;
    bool must_reboot_required = false;
    std::wstring failed_exec_command_continue;
    bool allow_continue_on_error = true;
    std::wstring processor_architecture_filter;
    bool required = true;
    bool show_progress_dialog = true;
    InstalledChecks installedchecks;
    DownloadDialogPtr downloaddialog;
    EmbedFiles embedfiles;
    bool selected = true;
    // The installed state the main window's list found when it was filled.
    bool foundInstalled = false;
    // Set by the installation sequence before Exec; only the installer
    // kinds act on them. Under /norestart the package's own restart is
    // suppressed; packageLog is where the run asks the package to write its
    // own log (empty: nowhere). A package whose parameters already decide
    // about restarts, or name a log, keeps its own choice.
    bool suppressRestart = false;
    std::wstring packageLog;

protected:
    // The reading rules: every kind's Load checks its element before reading it.
    static void CheckElement(const TiXmlElement* element);
    // The extra arguments given on the command line for this component's
    // description (exact match); found with an empty text still counts.
    bool FindComponentArguments(std::wstring& arguments) const;
};

using ComponentPtr = shared_any<Component*, close_delete, null_t>;
