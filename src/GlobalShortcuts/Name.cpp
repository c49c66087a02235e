#include "GlobalShortcuts/Name.h"

namespace GlobalShortcuts {

Name::Name(QString raw, std::optional<Shortcut> initial)
    : rawValue(std::move(raw))
    , initialShortcut(initial)
{ }

QString Name::storageKey() const
{
    return QStringLiteral("GlobalShortcuts_") + rawValue;
}

} // namespace GlobalShortcuts
