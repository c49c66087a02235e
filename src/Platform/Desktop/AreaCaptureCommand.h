#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// Linux has no "/usr/sbin/screencapture"; an interactive area tool of the desktop stands in for it. The
// tools are tried in a fixed order; each writes the selected area as a PNG to the path, or nothing when the
// user cancels, which is all the caller looks at.
namespace AreaCaptureCommand {

struct Command {
    QString program; // a name looked up on PATH, or an absolute path
    QStringList arguments;
    QStringList needs; // programs that must be installed for the command to work
    bool operator==(const Command&) const = default;
};

// Which screen the tools must read. The X11 tools see only X11 windows under a Wayland compositor; grim
// needs the screencopy protocol of wlroots-based compositors (sway, labwc, Hyprland, niri).
enum class Session { X11, WaylandScreencopy, Wayland };

// Every stand-in for an area capture into `path` in `session`, most preferred first.
std::vector<Command> candidates(const QString& path, Session session);

// The first candidate all of whose programs `isInstalled` reports; nothing when no tool is there.
std::optional<Command> choose(
    const QString& path, Session session, const std::function<bool(const QString& program)>& isInstalled);

} // namespace AreaCaptureCommand
