#pragma once

#include "GlobalShortcuts/Shortcut.h"

#include <QHash>
#include <QString>

#include <optional>

namespace GlobalShortcuts {

// A named shortcut slot. Its binding is stored under "GlobalShortcuts_" followed by the raw value.
struct Name final {
    QString rawValue;
    std::optional<Shortcut> initialShortcut;

    // A plain value: Module::name makes one and writes its initial shortcut to the store.
    explicit Name(QString rawValue, std::optional<Shortcut> initial = std::nullopt);

    bool operator==(const Name&) const = default;

    const std::optional<Shortcut>& defaultShortcut() const { return initialShortcut; }
    // The user-defaults key of the binding.
    QString storageKey() const;
};

} // namespace GlobalShortcuts

template <> struct std::hash<GlobalShortcuts::Name> {
    std::size_t operator()(const GlobalShortcuts::Name& name) const noexcept
    {
        return qHash(name.rawValue)
            ^ (name.initialShortcut ? std::hash<GlobalShortcuts::Shortcut>()(*name.initialShortcut) : 0);
    }
};
