#pragma once

#include <QRectF>

#include <optional>

class Accessibility;
class Screens;
class Workspace;

// Where the text caret of the application in front is, asked through its accessibility tree. Many
// applications answer only part of the questions, or answer nonsense, so two ways are tried in turn and
// only sane rectangles are accepted.
namespace CaretLocator {

// Seconds each accessibility call may block the main thread.
inline constexpr double messagingTimeout = 0.25;

// The caret in desktop coordinates (origin bottom-left of the primary screen, y upwards); nothing when
// the caret cannot be found, when the process is not trusted, when the application in front is this one
// (`ownProcessIdentifier`) or when no screen is attached.
std::optional<QRectF> caretRect(Accessibility& accessibility, const Workspace& workspace,
    const Screens& screens, long long ownProcessIdentifier);

} // namespace CaretLocator
