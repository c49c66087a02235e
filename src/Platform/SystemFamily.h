#pragma once

// The kind of desktop the program runs on, as far as what it tells the user depends on it: how keys are
// written (⇧⌘D or Ctrl+Shift+D), what the machine is called, and which system settings and permissions
// exist to point the user at.
enum class SystemFamily { MacOS, Linux };
