#include "App/MenuContent.h"

#include "App/AppController.h"
#include "Foundation/Localization.h"
#include "GlobalShortcuts/KeyNotation.h"

#include <QPointer>

namespace {

using Row = MenuContent::Row;

Row command(const char* text, std::function<void()> action, QKeySequence shortcut = {})
{
    return Row { Row::Kind::Command, Localization::text(text), shortcut, false, std::move(action) };
}

// "или удерживайте ⌘C": the chord whose hold does what the row above does.
Row holdCaption(SystemFamily family, const char* key)
{
    const auto chord = GlobalShortcuts::KeyNotation::commandWith(family, QLatin1String(key));
    return Row { Row::Kind::Caption, Localization::format("или удерживайте %@", { chord }), {}, false, {} };
}

Row separator()
{
    return Row {};
}

} // namespace

MenuContent::MenuContent(AppController& app, QObject* parent)
    : QObject(parent)
    , m_app(app)
{
    connect(&app.settings(), &AppSettings::pausedChanged, this, &MenuContent::changed);
    connect(&app, &AppController::accessibilityGrantedChanged, this, &MenuContent::changed);
}

std::vector<MenuContent::Row> MenuContent::rows() const
{
    // Actions reach the controller weakly: a menu may outlive it during shutdown.
    QPointer<AppController> app(&m_app);
    const auto call = [app](void (AppController::*operation)()) {
        return [app, operation] {
            if (app)
                (app.data()->*operation)();
        };
    };
    std::vector<Row> rows;
    rows.push_back(command("Сделать скриншот", call(&AppController::takeScreenshot)));
    const auto family = m_app.platform().family;
    rows.push_back(holdCaption(family, "C"));
    rows.push_back(separator());
    rows.push_back(command("Открыть историю", call(&AppController::showHistory)));
    rows.push_back(holdCaption(family, "V"));
    Row pause { Row::Kind::Check, Localization::text("Пауза записи"), {}, m_app.settings().paused(), [app] {
                   if (app)
                       app->settings().setPaused(!app->settings().paused());
               } };
    rows.push_back(pause);
    rows.push_back(separator());
    if (!m_app.accessibilityGranted())
        rows.push_back(command("Выдать разрешение…", call(&AppController::showOnboarding)));
    rows.push_back(
        command("Настройки…", call(&AppController::showSettings), QKeySequence(Qt::CTRL | Qt::Key_Comma)));
    rows.push_back(command("Проверить обновления…", call(&AppController::checkForUpdates)));
    rows.push_back(separator());
    rows.push_back(
        command("Завершить Drimo Copy", call(&AppController::quit), QKeySequence(Qt::CTRL | Qt::Key_Q)));
    return rows;
}

bool MenuContent::trigger(const QString& text) const
{
    for (const auto& row : rows()) {
        if (row.isClickable() && row.text == text) {
            row.action();
            return true;
        }
    }
    return false;
}

std::vector<GlobalShortcuts::MenuItem> MenuContent::keyEquivalents() const
{
    std::vector<GlobalShortcuts::MenuItem> items;
    for (const auto& row : rows())
        if (row.isClickable())
            items.push_back({ row.text, row.shortcut, {} });
    return items;
}
