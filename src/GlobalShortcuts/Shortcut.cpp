#include "GlobalShortcuts/Shortcut.h"

#include "GlobalShortcuts/KeyNotation.h"
#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/Services.h"
#include "GlobalShortcuts/SpecialKey.h"
#include "Platform/HotKeyService.h"
#include "Platform/KeyEvent.h"

#include <QTextBoundaryFinder>

namespace GlobalShortcuts {
namespace {

constexpr QChar replacementCharacter(0xFFFD);

int graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

} // namespace

Shortcut Shortcut::from(Key key, std::uint64_t flags)
{
    return { key.rawValue, HotKeyService::bitsForFlags(flags) };
}

Shortcut Shortcut::from(const KeyEvent& event)
{
    return { event.keyCode, HotKeyService::bitsForFlags(event.flags & ~EventFlags::function) };
}

std::uint64_t Shortcut::modifiers() const
{
    return HotKeyService::flagsForBits(static_cast<std::uint32_t>(carbonModifiers));
}

std::optional<QString> Shortcut::keyToCharacter(const Services& services) const
{
    if (SpecialKey::symbol(carbonKeyCode))
        return std::nullopt;
    auto* service = services.hotKeys;
    if (!service || carbonKeyCode < 0 || carbonKeyCode > 0xFFFF)
        return QString(replacementCharacter);
    const auto typed = service->characterForKey(carbonKeyCode);
    if (!typed || graphemeCount(*typed) != 1)
        return QString(replacementCharacter);
    return typed->toUpper();
}

QString Shortcut::presentableDescription(const Services& services) const
{
    const auto family = services.family;
    const auto key = KeyNotation::specialKey(family, carbonKeyCode);
    return KeyNotation::combination(
        family, modifiers(), key ? *key : keyToCharacter(services).value_or(QString(replacementCharacter)));
}

} // namespace GlobalShortcuts
