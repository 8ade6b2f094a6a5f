#pragma once

#include <string>

#include "base/RebootCount.h"

class Component;
class InstallConfiguration;

// What one configuration's run does when its components ask for a restart.
// Under /norestart the request is left to the caller and the loop goes on.
// Otherwise the user is asked (only told, when the configuration or the
// component makes the restart a must; neither, when a package has started
// the restart itself), and a restart accepted stops the component loop: the
// resume is registered and the machine restarts, unless the same component
// has asked too often in a row (see RestartLoopGuard.h).
class RestartPolicy {
public:
    // configuration: the configuration's position in the run's list, from 1.
    explicit RestartPolicy(int configuration = 1);

    // After a component of configuration has succeeded. Returns false when
    // the loop stops for a restart; "Invalid configuration" without one when
    // the component asks for a restart.
    bool OnComplete(const InstallConfiguration* configuration, const Component& component);

    // The loop stopped for a restart.
    bool IsRestartRequested() const { return m_requested; }
    // A component asked for a restart that /norestart leaves to the caller.
    bool IsRestartLeftToCaller() const { return m_leftToCaller; }
    // The restart that stopped the loop is under way already: a package started it.
    bool IsRestartStartedByPackage() const { return m_startedByPackage; }
    // The text that ends the run in place of the restart asked for; empty
    // when the restart may go ahead.
    std::wstring LoopRefusal() const;
    // Registers the resume with the configuration's reboot_cmd and restarts
    // the machine, unless the package has started the restart already.
    void Restart(const InstallConfiguration& configuration) const;

private:
    int m_configuration;
    RebootCount m_before;
    bool m_requested = false;
    bool m_leftToCaller = false;
    bool m_startedByPackage = false;
    // The request that stopped the loop.
    RebootCount m_next;
    std::wstring m_description;
};
