#include "SettingsDriver.h"

#include "App/AppController.h"
#include "SimulatorState.h"
#include "Views/SettingsView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPushButton>

using ScenarioScript::Command;
using SimulatorState::utf8;

namespace {

SettingsView* settingsView(AppController& app)
{
    auto* window = app.windows().window(AppWindows::settingsKey);
    return window ? window->findChild<SettingsView*>() : nullptr;
}

// A row by its label; for `click` also by the text of the one shown button that carries it.
const SettingsView::Row* findRow(
    const SettingsView& view, const QString& name, bool byButton, bool* ambiguous)
{
    if (const auto* row = view.row(name))
        return row;
    if (!byButton)
        return nullptr;
    std::vector<const SettingsView::Row*> found;
    for (const auto& row : view.rows())
        if (row.button && row.button->isVisibleTo(row.widget) && row.button->text() == name)
            found.push_back(&row);
    *ambiguous = found.size() > 1;
    return found.empty() ? nullptr : found.front();
}

nlohmann::ordered_json value(const QVariant& shown)
{
    if (!shown.isValid())
        return nullptr;
    if (shown.typeId() == QMetaType::Bool)
        return shown.toBool();
    return utf8(shown.toString());
}

} // namespace

SettingsDriver::SettingsDriver(Warn warn)
    : m_warn(std::move(warn))
{ }

void SettingsDriver::execute(AppController& app, const Command& command)
{
    const auto& a = command.args;
    const auto& action = a[0].text;
    // The user acts in the window, so it is open (and in front) first.
    app.showSettings();
    auto* view = settingsView(app);
    bool ambiguous = false;
    const auto* row
        = view ? findRow(*view, a[1].text, action == QLatin1String("click"), &ambiguous) : nullptr;
    if (!row) {
        m_warn(command.line, QStringLiteral("the settings window has no row \"%1\"").arg(a[1].text));
        return;
    }
    if (ambiguous) {
        m_warn(command.line, QStringLiteral("more than one row shows \"%1\"; name the row").arg(a[1].text));
        return;
    }
    if (!row->enabled()) {
        m_warn(command.line, QStringLiteral("the row \"%1\" is disabled").arg(row->label));
        return;
    }
    if (action == QLatin1String("choose")) {
        const int index = row->choice ? row->choice->findText(a[2].text) : -1;
        if (!row->choice)
            m_warn(command.line, QStringLiteral("the row \"%1\" offers no choices").arg(row->label));
        else if (index < 0)
            m_warn(
                command.line, QStringLiteral("the row \"%1\" offers no \"%2\"").arg(row->label, a[2].text));
        else
            row->choice->setCurrentIndex(index);
    } else if (action == QLatin1String("toggle")) {
        if (row->toggle)
            row->toggle->click();
        else
            m_warn(command.line, QStringLiteral("the row \"%1\" has no switch").arg(row->label));
    } else if (row->button && row->button->isVisibleTo(row->widget) && row->button->isEnabled()) {
        row->button->click();
    } else {
        m_warn(command.line, QStringLiteral("the row \"%1\" shows no button").arg(row->label));
    }
}

nlohmann::ordered_json SettingsDriver::state(AppController& app) const
{
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    const auto* view = settingsView(app);
    if (view)
        for (const auto& row : view->rows())
            rows.push_back({ { "label", utf8(row.label) }, { "value", value(row.value()) },
                { "enabled", row.enabled() } });
    return { { "visible", view && view->window()->isVisible() }, { "rows", rows } };
}
