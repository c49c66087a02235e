#pragma once

class Accessibility;
class Workspace;

// Asking the user for the Accessibility permission the keyboard tap and the synthetic paste need.
namespace Permissions {

// Makes the system show its own permission prompt (when the process is not trusted yet) and opens the
// settings pane, where the system has one. Never waits: the controller's permission watch notices the
// grant.
void requestAccessibility(Accessibility& accessibility, Workspace& workspace);

} // namespace Permissions
