#include "GlobalShortcuts/RecorderControl.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "GlobalShortcuts/ShortcutRegistry.h"
#include "GlobalShortcuts/ShortcutStorage.h"
#include "Platform/KeyEvent.h"
#include "ShortcutEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

using namespace GlobalShortcuts;

namespace {

class RecorderControlTest : public ShortcutEnvironment {
protected:
    void SetUp() override
    {
        ShortcutEnvironment::SetUp();
        QObject::connect(&Notifications::shared(), &Notifications::recorderActiveStatusDidChange, &receiver,
            [this](bool active) { activity.push_back(active); });
        menu = { { QStringLiteral("&Настройки…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), {} },
            { QStringLiteral("Ещё"), {},
                { { QStringLiteral("Завершить Drimo Copy"), QKeySequence(Qt::CTRL | Qt::Key_Q), {} } } } };
        window.resize(300, 120);
        auto* layout = new QVBoxLayout(&window);
        recorder = new RecorderControl(
            name, [this](const std::optional<Shortcut>& s) { changed.push_back(s); }, &window);
        other = new QLineEdit(&window);
        layout->addWidget(recorder);
        layout->addWidget(other);
        window.show();
        scheduler.runDue();
    }

    bool key(std::uint16_t keyCode, std::uint64_t flags = 0, QString characters = {})
    {
        return recorder->handleKeyDown({ keyCode, true, false, flags, 0, std::move(characters) });
    }
    bool clearButtonShown() const
    {
        const auto* action = recorder->findChild<QAction*>(QStringLiteral("_q_qlineeditclearaction"));
        return action && action->isVisible();
    }
    QStringList alertMessages() const
    {
        QStringList messages;
        for (const auto& record : alerts.alerts())
            messages << record.alert.message;
        return messages;
    }

    const Name name { QStringLiteral("recorded") };
    QWidget window;
    RecorderControl* recorder = nullptr;
    QLineEdit* other = nullptr;
    std::vector<bool> activity;
    std::vector<std::optional<Shortcut>> changed;
};

TEST_F(RecorderControlTest, ShowsTheShortcutAndItsStateWhileIdleAndRecording)
{
    EXPECT_GE(recorder->minimumWidth(), 130);
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Записать сочетание"));
    EXPECT_TRUE(recorder->text().isEmpty());
    EXPECT_FALSE(clearButtonShown());
    EXPECT_FALSE(recorder->isRecording()) << "showing the window does not start recording";

    name.setShortcut(Shortcut::from(Key::s, cmd | shift));
    EXPECT_EQ(recorder->text(), QString::fromUtf16(u"\u21E7\u2318S"));
    EXPECT_TRUE(clearButtonShown());

    recorder->startRecording();
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(RecorderControl::active(), recorder);
    EXPECT_TRUE(isPaused());
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Нажмите сочетание"));
    EXPECT_EQ(activity, std::vector<bool> { true });

    EXPECT_TRUE(key(53)); // Escape
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(RecorderControl::active(), nullptr);
    EXPECT_FALSE(isPaused());
    EXPECT_EQ(activity, (std::vector<bool> { true, false }));
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::s, cmd | shift));
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Записать сочетание"));
    EXPECT_TRUE(changed.empty());
}

TEST_F(RecorderControlTest, TakesOnlyCombinationsWithModifiersOrFunctionKeys)
{
    recorder->startRecording();
    EXPECT_TRUE(key(0)); // A
    EXPECT_TRUE(key(0, shift));
    EXPECT_TRUE(key(0, 0x10000 | 0x200000)); // Caps Lock and the keypad marker are no modifiers
    EXPECT_EQ(hotKeys.beeps(), 3);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_FALSE(name.shortcut());

    EXPECT_TRUE(key(96, fn)); // F5, as the system delivers it
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::f5, 0));
    EXPECT_EQ(recorder->text(), QStringLiteral("F5"));
    EXPECT_FALSE(recorder->isRecording());

    recorder->startRecording();
    EXPECT_TRUE(key(99, shift | fn)); // Shift-F3
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::f3, shift));
    recorder->startRecording();
    EXPECT_TRUE(key(1, cmd | shift));
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::s, cmd | shift));
    EXPECT_EQ(changed.size(), 3u);
    EXPECT_EQ(changed.back(), Shortcut::from(Key::s, cmd | shift));
    EXPECT_EQ(hotKeys.beeps(), 3);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(RecorderControlTest, MenuKeyEquivalentsAreBlockedUnlessTheNameAlreadyHasThem)
{
    recorder->startRecording();
    EXPECT_TRUE(key(12, cmd)); // ⌘Q, the menu's quit item in a submenu
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].alert.message,
        QStringLiteral(
            "Это сочетание клавиш нельзя использовать: его занимает пункт меню «Завершить Drimo Copy»."));
    EXPECT_EQ(alerts.alerts()[0].alert.buttons, QStringList { QStringLiteral("ОК") });
    EXPECT_FALSE(name.shortcut());
    EXPECT_TRUE(recorder->isRecording()) << "recording starts again once the alert is closed";

    EXPECT_TRUE(key(43, cmd)); // ⌘, with the menu title's mnemonic left out
    EXPECT_EQ(alertMessages().last(),
        QStringLiteral("Это сочетание клавиш нельзя использовать: его занимает пункт меню «Настройки…»."));
    EXPECT_TRUE(key(12, cmd | shift)) << "⇧⌘Q is not the menu's ⌘Q";
    EXPECT_EQ(alerts.alerts().size(), 2u);
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::q, cmd | shift));

    name.setShortcut(Shortcut::from(Key::q, cmd));
    recorder->startRecording();
    EXPECT_TRUE(key(12, cmd));
    EXPECT_EQ(alerts.alerts().size(), 2u) << "re-recording the current shortcut skips the menu check";

    recorder->conflictPolicy = ConflictPolicy::allowAll();
    recorder->startRecording();
    EXPECT_TRUE(key(43, cmd));
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::comma, cmd));
    EXPECT_EQ(alerts.alerts().size(), 2u);
}

TEST_F(RecorderControlTest, SystemShortcutsWarnAndAreStoredOnlyWhenForced)
{
    hotKeys.reserve(21, 0x300); // ⇧⌘4
    hotKeys.reserve(111, 0); // F12
    hotKeys.reserve(20, 0x300, false); // ⇧⌘3, switched off
    recorder->startRecording();
    EXPECT_TRUE(key(21, cmd | shift));
    ASSERT_EQ(alerts.alerts().size(), 1u);
    const auto& warning = alerts.alerts()[0];
    EXPECT_EQ(warning.alert.message, QStringLiteral("Это сочетание клавиш уже занято системой."));
    EXPECT_EQ(warning.alert.informativeText,
        QStringLiteral("Системные сочетания клавиш можно изменить в настройках клавиатуры."));
    EXPECT_EQ(warning.alert.buttons,
        (QStringList { QStringLiteral("ОК"), QStringLiteral("Всё равно использовать") }));
    EXPECT_EQ(warning.alert.style, Alerts::Style::Warning);
    EXPECT_EQ(warning.answer, QStringLiteral("ОК")) << "dismissing the warning does not force the shortcut";
    EXPECT_FALSE(name.shortcut());

    alerts.queueAnswer(QStringLiteral("ОК"));
    EXPECT_TRUE(key(21, cmd | shift));
    EXPECT_FALSE(name.shortcut());
    alerts.queueAnswer(QStringLiteral("Всё равно использовать"));
    EXPECT_TRUE(key(21, cmd | shift));
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::four, cmd | shift));
    EXPECT_EQ(alerts.alerts().size(), 3u);

    recorder->startRecording();
    EXPECT_TRUE(key(111, fn)); // plain F12 is never the system's
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::f12, 0));
    recorder->startRecording();
    EXPECT_TRUE(key(20, cmd | shift)); // reserved, but switched off
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::three, cmd | shift));
    EXPECT_EQ(alerts.alerts().size(), 3u);
}

TEST_F(RecorderControlTest, DeleteClearsAndKeepsRecordingTabMovesOn)
{
    const Name withInitial(QStringLiteral("initial"), Shortcut::from(Key::i, cmd));
    auto* second = new RecorderControl(withInitial, {}, &window);
    second->startRecording();
    EXPECT_EQ(RecorderControl::active(), second);
    EXPECT_TRUE(second->handleKeyDown({ 51, true, false, 0, 0, {} }));
    EXPECT_EQ(defaults.object(withInitial.storageKey()), DefaultsValue(false));
    EXPECT_TRUE(second->text().isEmpty());
    EXPECT_TRUE(second->isRecording());

    // Only one recorder records at a time.
    recorder->startRecording();
    EXPECT_FALSE(second->isRecording());
    EXPECT_EQ(RecorderControl::active(), recorder);
    EXPECT_TRUE(isPaused());

    name.setShortcut(Shortcut::from(Key::s, cmd | shift));
    EXPECT_TRUE(key(117, fn)); // Forward Delete
    EXPECT_FALSE(defaults.object(name.storageKey())) << "a name without initial shortcut loses its key";
    EXPECT_EQ(changed, (std::vector<std::optional<Shortcut>> { std::nullopt }));
    EXPECT_TRUE(recorder->isRecording());

    EXPECT_FALSE(key(48)) << "Tab goes on";
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(isPaused());
}

TEST_F(RecorderControlTest, AClickOutsideEndsRecordingAndGlobalShortcutsWaitMeanwhile)
{
    int fired = 0;
    name.setShortcut(Shortcut::from(Key::s, cmd | shift));
    onKeyUp(name, [&fired] { ++fired; });
    recorder->startRecording();
    press(1, cmd | shift);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(hotKeys.registrations().empty());

    const auto corner = recorder->mapToGlobal(QPoint(recorder->width() + 2, recorder->height() + 2));
    recorder->handleMouseUp(corner);
    EXPECT_TRUE(recorder->isRecording()) << "within three points still counts as on the control";
    recorder->handleMouseUp(corner + QPoint(2, 0));
    EXPECT_FALSE(recorder->isRecording());
    press(1, cmd | shift);
    EXPECT_EQ(fired, 1);
}

TEST_F(RecorderControlTest, CallerValidationAndTheDisallowedCheckReject)
{
    RecorderControl binding(std::optional<Shortcut> {});
    binding.validateShortcut = [](const Shortcut& s) {
        return s.carbonKeyCode == Key::x.rawValue ? ValidationResult::disallow(QStringLiteral("Нельзя X"))
                                                  : ValidationResult::allow();
    };
    binding.startRecording();
    EXPECT_TRUE(binding.handleKeyDown({ 7, true, false, cmd, 0, {} }));
    EXPECT_EQ(alertMessages(), QStringList { QStringLiteral("Нельзя X") });
    EXPECT_FALSE(binding.shortcut());
    EXPECT_TRUE(binding.handleKeyDown({ 16, true, false, cmd, 0, {} }));
    EXPECT_EQ(binding.shortcut(), Shortcut::from(Key::y, cmd));
    EXPECT_FALSE(name.shortcut()) << "a binding recorder keeps its shortcut to itself";

    GlobalShortcuts::Services restricted = services();
    restricted.optionShortcutsDisallowed = [] { return true; };
    GlobalShortcuts::install(restricted);
    binding.startRecording();
    EXPECT_TRUE(binding.handleKeyDown({ 0, true, false, opt | shift, 0, {} }));
    EXPECT_EQ(alertMessages().last(),
        QStringLiteral(
            "Это сочетание клавиш нельзя использовать: система не пропускает сочетания только с Option."));
    EXPECT_EQ(binding.shortcut(), Shortcut::from(Key::y, cmd));
    binding.conflictPolicy.disallowed = ConflictBehavior::Allow;
    EXPECT_TRUE(binding.handleKeyDown({ 0, true, false, opt | shift, 0, {} }));
    EXPECT_EQ(binding.shortcut(), Shortcut::from(Key::a, opt | shift));
}

TEST_F(RecorderControlTest, FocusAloneRecordsNothingAndTheKeyboardPassesThrough)
{
    QApplication::setActiveWindow(&window);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(recorder->hasFocus());
    EXPECT_FALSE(recorder->isRecording()) << "tabbing in starts nothing";
    QTest::keyClick(recorder, Qt::Key_A);
    EXPECT_TRUE(recorder->text().isEmpty()) << "and takes no typing";
    QTest::keyClick(recorder, Qt::Key_Tab);
    EXPECT_TRUE(other->hasFocus()) << "Tab goes on to the next control";
    EXPECT_FALSE(name.shortcut());

    for (const auto start : { Qt::Key_Space, Qt::Key_Return }) {
        recorder->setFocus(Qt::TabFocusReason);
        QTest::keyClick(recorder, start);
        EXPECT_TRUE(recorder->isRecording()) << start;
        // Ending by key keeps the focus here: a recording Tab moves on from this field, not from the top.
        QTest::keyClick(recorder, Qt::Key_Escape);
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_TRUE(recorder->hasFocus());
    }
    QTest::keyClick(recorder, Qt::Key_Space);
    QTest::keyClick(recorder, Qt::Key_Tab);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(other->hasFocus());

    QTest::mouseClick(recorder, Qt::LeftButton);
    EXPECT_TRUE(recorder->isRecording()) << "a click starts recording";
    QTest::keyClick(recorder, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::d, cmd | shift));
    EXPECT_TRUE(recorder->hasFocus());
}

TEST_F(RecorderControlTest, WindowKeyEventsAreRecordedAndTheApplicationsShortcutsWait)
{
    recorder->startRecording();
    QTest::keyClick(recorder, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::s, cmd | shift));
    EXPECT_FALSE(recorder->isRecording());
    // Typing into an idle recorder records nothing.
    QTest::keyClick(recorder, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(name.shortcut(), Shortcut::from(Key::s, cmd | shift));
}

} // namespace
