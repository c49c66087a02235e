#include "GlobalShortcuts/RecordingPolicy.h"

#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/ShortcutTexts.h"
#include "Platform/KeyEvent.h"

namespace GlobalShortcuts::RecordingPolicy {
namespace {

// Event flags beyond the keyboard's lock keys: the device-independent modifiers (Shift and up, Help and
// Function among them), without Caps Lock and the numeric-pad marker.
constexpr std::uint64_t deviceIndependentMask = 0xFFFF0000;

// The function flag the system puts on arrows, Forward Delete and the like is not the user's: without
// this, a plain Forward Delete would count as a combination and beep instead of clearing.
std::uint64_t modifiersOf(const KeyEvent& event)
{
    auto modifiers = event.flags & deviceIndependentMask & ~(EventFlags::capsLock | EventFlags::numericPad);
    if (KeyCodes::synthesizesFunction(event.keyCode))
        modifiers &= ~EventFlags::function;
    return modifiers;
}

// F1 to F35: by key code for the twenty keys that have one, by the private-use character the system
// gives function keys for the rest.
bool isFunctionKey(const KeyEvent& event)
{
    if (KeyCodes::isFunctionKey(event.keyCode))
        return true;
    return event.characters.size() == 1 && event.characters.at(0).unicode() >= 0xF704
        && event.characters.at(0).unicode() <= 0xF726;
}

void add(std::vector<Objection>& objections, ConflictBehavior behavior, QString title, QString message = {})
{
    if (behavior != ConflictBehavior::Allow)
        objections.push_back({ behavior, std::move(title), std::move(message) });
}

} // namespace

Verdict forKey(const KeyEvent& event)
{
    const auto modifiers = modifiersOf(event);
    if (modifiers == 0) {
        if (event.keyCode == KeyCodes::tab)
            return { Action::PassOn, std::nullopt };
        if (event.keyCode == KeyCodes::deleteKey || event.keyCode == KeyCodes::deleteForward)
            return { Action::Clear, std::nullopt };
        if (event.keyCode == KeyCodes::escape)
            return { Action::End, std::nullopt };
        if (!isFunctionKey(event))
            return { Action::Beep, std::nullopt };
    } else if ((modifiers & ~(EventFlags::shift | EventFlags::function)) == 0 && !isFunctionKey(event)) {
        return { Action::Beep, std::nullopt };
    }
    return { Action::Check, Shortcut::from(event) };
}

std::vector<Objection> objections(const Shortcut& candidate, const Facts& facts, const ConflictPolicy& policy)
{
    std::vector<Objection> found;
    if (candidate != facts.current) {
        if (const auto item = MenuItem::withMatchingShortcut(facts.menu, candidate, facts.keyCharacter)) {
            QString title = item->title;
            title.remove(QLatin1Char('&'));
            add(found, policy.menuItem, ShortcutTexts::format("keyboard_shortcut_used_by_menu_item", title));
        }
    }
    const auto modifiers = candidate.modifiers();
    const bool optionOnly
        = (modifiers & EventFlags::option) && (modifiers & ~(EventFlags::option | EventFlags::shift)) == 0;
    // A combination the system will not deliver cannot be used anyway: there is nothing to warn about.
    if (optionOnly && facts.optionShortcutsDisallowed)
        add(found,
            policy.disallowed == ConflictBehavior::Allow ? ConflictBehavior::Allow : ConflictBehavior::Block,
            ShortcutTexts::text("keyboard_shortcut_disallowed"));
    const bool plainF12 = candidate == Shortcut::from(Key::f12, 0);
    if (!plainF12 && facts.reservedBySystem)
        add(found, policy.systemShortcut, ShortcutTexts::text("keyboard_shortcut_used_by_system"),
            ShortcutTexts::text("keyboard_shortcuts_can_be_changed"));
    return found;
}

} // namespace GlobalShortcuts::RecordingPolicy
