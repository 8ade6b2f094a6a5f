#pragma once

#include <string>
#include <vector>

#include "components/Component.h"

class IExecuteCallback;

// The components of a configuration in document order. A component may sit in
// several lists at once (the configuration's and a supported-components list).
class Components : public std::vector<ComponentPtr> {
public:
    using std::vector<ComponentPtr>::vector;

    // The components this machine supports for lcid, the same objects, in
    // order; logs one line per component and the count.
    Components GetSupportedComponents(unsigned long lcid) const;
    // Runs the selected components in order; the callback may be null. A
    // failure does not stop the loop: 0 when every selected component
    // succeeded, else the first failure's exit code (-1 when that is 0).
    int Exec(IExecuteCallback* callback) const;
    // One line per component, each indented by indent, separated by line breaks.
    std::wstring ToString(int indent) const;
};
