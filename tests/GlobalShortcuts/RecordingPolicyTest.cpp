#include "GlobalShortcuts/RecordingPolicy.h"
#include "GlobalShortcuts/Key.h"
#include "Platform/KeyEvent.h"

#include <gtest/gtest.h>

using namespace GlobalShortcuts;
using Action = RecordingPolicy::Action;

namespace {

constexpr std::uint64_t cmd = EventFlags::command;
constexpr std::uint64_t shift = EventFlags::shift;
constexpr std::uint64_t opt = EventFlags::option;
constexpr std::uint64_t fn = EventFlags::function;

const QString quitTaken = QStringLiteral(
    "Это сочетание клавиш нельзя использовать: его занимает пункт меню «Завершить Drimo Copy».");
const QString settingsTaken
    = QStringLiteral("Это сочетание клавиш нельзя использовать: его занимает пункт меню «Настройки…».");
const QString systemTaken = QStringLiteral("Это сочетание клавиш уже занято системой.");
const QString systemChangeable
    = QStringLiteral("Системные сочетания клавиш можно изменить в настройках клавиатуры.");
const QString optionRefused = QStringLiteral(
    "Это сочетание клавиш нельзя использовать: система не пропускает сочетания только с Option.");

constexpr ConflictPolicy warnOnMenu { ConflictBehavior::Warn, ConflictBehavior::Warn,
    ConflictBehavior::Block };
constexpr ConflictPolicy warnOnDisallowed { ConflictBehavior::Block, ConflictBehavior::Warn,
    ConflictBehavior::Warn };
constexpr ConflictPolicy allowDisallowed { ConflictBehavior::Block, ConflictBehavior::Warn,
    ConflictBehavior::Allow };

struct Row {
    const char* what;
    std::int64_t keyCode;
    std::uint64_t flags;
    // What the key types (private-use characters for F13 and up), and the layout's character for the key.
    QString characters;
    QString layoutCharacter;
    std::optional<Shortcut> current;
    bool optionDisallowed;
    bool reserved;
    ConflictPolicy policy;
    Action action;
    std::optional<Shortcut> candidate;
    std::vector<RecordingPolicy::Objection> objections;
};

using B = ConflictBehavior;
const ConflictPolicy standard = ConflictPolicy::defaultPolicy();
const auto shortcut = [](Key key, std::uint64_t flags) { return std::optional(Shortcut::from(key, flags)); };

const Row rows[] {
    { "a plain letter beeps", 0, 0, {}, {}, {}, false, false, standard, Action::Beep, {}, {} },
    { "Shift alone is no modifier", 0, shift, {}, {}, {}, false, false, standard, Action::Beep, {}, {} },
    { "nor Caps Lock and the keypad marker", 0, 0x10000 | 0x200000, {}, {}, {}, false, false, standard,
        Action::Beep, {}, {} },
    { "plain F5 as the system delivers it", 96, fn, {}, {}, {}, false, false, standard, Action::Check,
        shortcut(Key::f5, 0), {} },
    { "Shift-F3", 99, shift | fn, {}, {}, {}, false, false, standard, Action::Check, shortcut(Key::f3, shift),
        {} },
    { "F21 by its character", 200, 0, QString(QChar(0xF718)), {}, {}, false, false, standard, Action::Check,
        Shortcut { 200, 0 }, {} },
    { "Command-Shift-S", 1, cmd | shift, {}, QStringLiteral("s"), {}, false, false, standard, Action::Check,
        shortcut(Key::s, cmd | shift), {} },
    { "Escape ends", 53, 0, {}, {}, {}, false, false, standard, Action::End, {}, {} },
    { "Tab ends and goes on", 48, 0, {}, {}, {}, false, false, standard, Action::PassOn, {}, {} },
    { "Delete clears", 51, 0, {}, {}, {}, false, false, standard, Action::Clear, {}, {} },
    { "Forward Delete clears despite its function flag", 117, fn, {}, {}, {}, false, false, standard,
        Action::Clear, {}, {} },
    { "Command-Q is the quit item in a submenu", 12, cmd, {}, QStringLiteral("q"), {}, false, false, standard,
        Action::Check, shortcut(Key::q, cmd), { { B::Block, quitTaken, {} } } },
    { "the menu title's mnemonic is left out", 43, cmd, {}, QStringLiteral(","), {}, false, false, standard,
        Action::Check, shortcut(Key::comma, cmd), { { B::Block, settingsTaken, {} } } },
    { "Shift-Command-Q is not the menu's Command-Q", 12, cmd | shift, {}, QStringLiteral("q"), {}, false,
        false, standard, Action::Check, shortcut(Key::q, cmd | shift), {} },
    { "re-recording the current shortcut skips the menu", 12, cmd, {}, QStringLiteral("q"),
        shortcut(Key::q, cmd), false, false, standard, Action::Check, shortcut(Key::q, cmd), {} },
    { "a menu warning", 12, cmd, {}, QStringLiteral("q"), {}, false, false, warnOnMenu, Action::Check,
        shortcut(Key::q, cmd), { { B::Warn, quitTaken, {} } } },
    { "allow-all lets the menu's keys through", 43, cmd, {}, QStringLiteral(","), {}, false, true,
        ConflictPolicy::allowAll(), Action::Check, shortcut(Key::comma, cmd), {} },
    { "a system shortcut warns", 21, cmd | shift, {}, QStringLiteral("4"), {}, false, true, standard,
        Action::Check, shortcut(Key::four, cmd | shift), { { B::Warn, systemTaken, systemChangeable } } },
    { "plain F12 is never the system's", 111, fn, {}, {}, {}, false, true, standard, Action::Check,
        shortcut(Key::f12, 0), {} },
    { "Option-Shift where the system refuses it", 0, opt | shift, {}, QStringLiteral("a"), {}, true, false,
        standard, Action::Check, shortcut(Key::a, opt | shift), { { B::Block, optionRefused, {} } } },
    { "a warning there still blocks", 0, opt, {}, QStringLiteral("a"), {}, true, false, warnOnDisallowed,
        Action::Check, shortcut(Key::a, opt), { { B::Block, optionRefused, {} } } },
    { "unless the policy allows it", 0, opt, {}, QStringLiteral("a"), {}, true, false, allowDisallowed,
        Action::Check, shortcut(Key::a, opt), {} },
    { "Option with Command is never refused", 0, opt | cmd, {}, QStringLiteral("a"), {}, true, false,
        standard, Action::Check, shortcut(Key::a, opt | cmd), {} },
    { "Option elsewhere is fine", 0, opt, {}, QStringLiteral("a"), {}, false, false, standard, Action::Check,
        shortcut(Key::a, opt), {} },
};

TEST(RecordingPolicyTest, EachKeyGetsItsVerdictAndEachCandidateItsObjections)
{
    const std::vector<MenuItem> menu { { QStringLiteral("&Настройки…"),
                                           QKeySequence(Qt::CTRL | Qt::Key_Comma), {} },
        { QStringLiteral("Ещё"), {},
            { { QStringLiteral("Завершить Drimo Copy"), QKeySequence(Qt::CTRL | Qt::Key_Q), {} } } } };
    for (const auto& row : rows) {
        const KeyEvent event { static_cast<std::uint16_t>(row.keyCode), true, false, row.flags, 0,
            row.characters };
        const auto verdict = RecordingPolicy::forKey(event);
        EXPECT_EQ(verdict.action, row.action) << row.what;
        EXPECT_EQ(verdict.candidate, row.candidate) << row.what;
        if (!verdict.candidate)
            continue;
        const RecordingPolicy::Facts facts { row.current, menu,
            row.layoutCharacter.isEmpty() ? std::nullopt : std::optional(row.layoutCharacter.toUpper()),
            row.optionDisallowed, row.reserved };
        EXPECT_EQ(RecordingPolicy::objections(*verdict.candidate, facts, row.policy), row.objections)
            << row.what;
    }
}

} // namespace
