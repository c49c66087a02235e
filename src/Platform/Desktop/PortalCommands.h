#pragma once

#include "Platform/Desktop/GlobalShortcutsPortal.h"

#include <functional>

// The program's two commands (open the history picker, take a screenshot) as global shortcuts of the
// desktop's portal, where one exists: the Wayland way for keys pressed in any window to reach the program.
// A command runs when its keys go down.
class PortalCommands final : public QObject {
    Q_OBJECT
public:
    enum class Command { ShowHistory, TakeScreenshot };

    // Asks the portal on `bus` at once; `run` is called on the event loop for each press, `report` once
    // with a line for the log saying what came of it.
    PortalCommands(QDBusConnection bus, std::function<void(Command)> run,
        std::function<void(const QString& line)> report, QObject* parent = nullptr);

    // As the portal is asked for them: identifier, description and suggested keys.
    static QList<GlobalShortcutsPortal::Action> actions();

private:
    GlobalShortcutsPortal m_portal;
};
