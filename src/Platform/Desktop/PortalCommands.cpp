#include "Platform/Desktop/PortalCommands.h"

#include "Foundation/Localization.h"

namespace {

const QString showHistory = QStringLiteral("show-history");
const QString takeScreenshot = QStringLiteral("take-screenshot");

} // namespace

PortalCommands::PortalCommands(QDBusConnection bus, std::function<void(Command)> run,
    std::function<void(const QString& line)> report, QObject* parent)
    : QObject(parent)
    , m_portal(std::move(bus))
{
    connect(&m_portal, &GlobalShortcutsPortal::activated, this, [run](const QString& id) {
        if (id == showHistory)
            run(Command::ShowHistory);
        else if (id == takeScreenshot)
            run(Command::TakeScreenshot);
    });
    connect(&m_portal, &GlobalShortcutsPortal::bound, this, [report](const QVariantMap& triggers) {
        const auto keys = [&triggers](const QString& id) {
            const QString text = triggers.value(id).toString();
            return text.isEmpty() ? QStringLiteral("no keys yet") : text;
        };
        report(
            QStringLiteral("the desktop's global shortcuts open the history (%1) and take a screenshot (%2)")
                .arg(keys(showHistory), keys(takeScreenshot)));
    });
    connect(&m_portal, &GlobalShortcutsPortal::unavailable, this, [report](const QString& reason) {
        report(QStringLiteral("no global shortcuts from the desktop's portal: %1").arg(reason));
    });
    m_portal.bind(actions());
}

QList<GlobalShortcutsPortal::Action> PortalCommands::actions()
{
    // Ctrl+Shift+V is the terminals' paste, so the picker's suggested keys take Alt instead.
    return { { showHistory, Localization::text("Открыть историю"), QStringLiteral("CTRL+ALT+V") },
        { takeScreenshot, Localization::text("Сделать скриншот"), QStringLiteral("CTRL+SHIFT+D") } };
}
