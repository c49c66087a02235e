#pragma once

#include <QString>

// Names of the accessibility attributes the program asks other applications for, as their trees know them.
namespace AccessibilityAttributes {

inline const QString focusedElement = QStringLiteral("AXFocusedUIElement");
inline const QString selectedTextRange = QStringLiteral("AXSelectedTextRange");
inline const QString boundsForRange = QStringLiteral("AXBoundsForRange");
inline const QString selectedTextMarkerRange = QStringLiteral("AXSelectedTextMarkerRange");
inline const QString boundsForTextMarkerRange = QStringLiteral("AXBoundsForTextMarkerRange");
// Set on an application element; Chromium-based applications build their tree only once it is.
inline const QString manualAccessibility = QStringLiteral("AXManualAccessibility");

} // namespace AccessibilityAttributes
