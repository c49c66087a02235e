#pragma once

#include "GlobalShortcuts/Name.h"

// The global shortcut that starts an area screenshot. It has no initial shortcut: the user records one.
namespace ScreenshotShortcut {

inline const QString rawName = QStringLiteral("zodezododAzavadazur");

GlobalShortcuts::Name name();

} // namespace ScreenshotShortcut
