#include "Platform/Alerts.h"

QString Alerts::dismissAnswer(const Alert& alert, int dismissButton)
{
    if (dismissButton >= 0 && dismissButton < alert.buttons.size())
        return alert.buttons.at(dismissButton);
    return alert.buttons.isEmpty() ? QString() : alert.buttons.last();
}

QString Alerts::styleName(Style style)
{
    switch (style) {
    case Style::Warning:
        return QStringLiteral("warning");
    case Style::Informational:
        return QStringLiteral("informational");
    case Style::Critical:
        return QStringLiteral("critical");
    }
    return QStringLiteral("warning");
}
