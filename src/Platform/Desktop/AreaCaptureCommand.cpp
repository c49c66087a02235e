#include "Platform/Desktop/AreaCaptureCommand.h"

namespace AreaCaptureCommand {

std::vector<Command> candidates(const QString& path, bool wlroots)
{
    // No shot may show the pointer. maim draws it unless told not to (and -q keeps its warnings to itself);
    // the others leave it out unless asked to (spectacle -i, scrot -p, gnome-screenshot -p or its setting).
    std::vector<Command> commands {
        { QStringLiteral("spectacle"), { "-b", "-n", "-r", "-o", path }, { QStringLiteral("spectacle") } },
        { QStringLiteral("gnome-screenshot"), { "-a", "-f", path }, { QStringLiteral("gnome-screenshot") } },
        { QStringLiteral("maim"), { "-s", "-u", "-q", path }, { QStringLiteral("maim") } },
        { QStringLiteral("scrot"), { "-s", "-o", "-z", path }, { QStringLiteral("scrot") } },
        { QStringLiteral("flameshot"), { "gui", "-p", path }, { QStringLiteral("flameshot") } },
    };
    if (wlroots) {
        // The path travels as a positional parameter, never inside the script text, so no file name can
        // inject shell syntax.
        commands.push_back(
            { QStringLiteral("/bin/sh"), { "-c", R"sh(grim -g "$(slurp)" "$1")sh", "drimo-capture", path },
                { QStringLiteral("grim"), QStringLiteral("slurp") } });
    }
    return commands;
}

std::optional<Command> choose(
    const QString& path, bool wlroots, const std::function<bool(const QString& program)>& isInstalled)
{
    for (auto& command : candidates(path, wlroots)) {
        if (std::all_of(command.needs.begin(), command.needs.end(), isInstalled))
            return command;
    }
    return std::nullopt;
}

} // namespace AreaCaptureCommand
