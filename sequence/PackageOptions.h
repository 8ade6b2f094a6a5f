#pragma once

class Component;
class InstallConfiguration;

// The component's position in its configuration's list, from 1 (document
// order, filtered or not); 0 when it is not there. It names the component on
// the resume command line.
int ComponentNumber(const InstallConfiguration& configuration, const Component& component);

// What the run gives an installer package beyond its document's parameters,
// set on the component before it starts: under /norestart the suppression of
// the package's own restart. Without the option the command lines stay as the
// document makes them.
void PreparePackage(Component& component);
