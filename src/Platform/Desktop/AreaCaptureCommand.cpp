#include "Platform/Desktop/AreaCaptureCommand.h"

namespace AreaCaptureCommand {

std::vector<Command> candidates(const QString& path, Session session)
{
    if (session == Session::WaylandScreencopy) {
        // The path travels as a positional parameter, never inside the script text, so no file name can
        // inject shell syntax.
        return { { QStringLiteral("/bin/sh"),
            { "-c", R"sh(grim -g "$(slurp)" "$1")sh", "drimo-capture", path },
            { QStringLiteral("grim"), QStringLiteral("slurp") } } };
    }
    // No shot may show the pointer. maim draws it unless told not to (and -q keeps its warnings to itself);
    // the others leave it out unless asked to (spectacle -i, scrot -p, gnome-screenshot -p or its setting).
    const Command spectacle { QStringLiteral("spectacle"), { "-b", "-n", "-r", "-o", path },
        { QStringLiteral("spectacle") } };
    const Command gnomeScreenshot { QStringLiteral("gnome-screenshot"), { "-a", "-f", path },
        { QStringLiteral("gnome-screenshot") } };
    const Command flameshot { QStringLiteral("flameshot"), { "gui", "-p", path },
        { QStringLiteral("flameshot") } };
    // Under KWin and mutter only the desktop's own tools (and flameshot, through the desktop's portal) see
    // native windows.
    if (session == Session::Wayland)
        return { spectacle, gnomeScreenshot, flameshot };
    return { spectacle, gnomeScreenshot,
        { QStringLiteral("maim"), { "-s", "-u", "-q", path }, { QStringLiteral("maim") } },
        { QStringLiteral("scrot"), { "-s", "-o", "-z", path }, { QStringLiteral("scrot") } }, flameshot };
}

std::optional<Command> choose(
    const QString& path, Session session, const std::function<bool(const QString& program)>& isInstalled)
{
    for (auto& command : candidates(path, session)) {
        if (std::all_of(command.needs.begin(), command.needs.end(), isInstalled))
            return command;
    }
    return std::nullopt;
}

} // namespace AreaCaptureCommand
