#include "Platform/Alerts.h"

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
