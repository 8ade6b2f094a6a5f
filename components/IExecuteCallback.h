#pragma once

#include <exception>

#include "components/Component.h"

// What the component loop reports to whoever drives it; each operation
// returns true to go on with the sequence and false to stop it.
class IExecuteCallback {
public:
    virtual ~IExecuteCallback() = default;

    // Before the component starts: the place to fetch what it needs.
    virtual bool OnDownload(const ComponentPtr& component) = 0;
    // The component runs; the wait for its end comes next.
    virtual bool OnWaitForComplete(const ComponentPtr& component) = 0;
    // The component has ended successfully.
    virtual bool OnComplete(const ComponentPtr& component) = 0;
    // The component or one of the operations above failed.
    virtual bool OnError(const ComponentPtr& component, const std::exception& error) = 0;
};
