#include "GlobalShortcuts/RecorderControl.h"
#include "GlobalShortcuts/HotKeyCenter.h"
#include "ShortcutEnvironment.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace GlobalShortcuts;

namespace {

// The widget around the recording policy: focus, clicks, the clear button, alerts and the pause.
class RecorderControlTest : public ShortcutEnvironment {
protected:
    void SetUp() override
    {
        QObject::connect(&shortcuts().notifications(), &Notifications::recorderActiveStatusDidChange,
            &receiver, [this](bool active) { activity.push_back(active); });
        menu = { { QStringLiteral("Завершить Drimo Copy"), QKeySequence(Qt::CTRL | Qt::Key_Q), {} } };
        hotKeys.setCharacter(Key::q, QStringLiteral("q"));
        window.resize(300, 120);
        auto* layout = new QVBoxLayout(&window);
        recorder = new RecorderControl(
            shortcuts(), name, [this](const std::optional<Shortcut>& s) { changed.push_back(s); }, &window);
        other = new QLineEdit(&window);
        layout->addWidget(recorder);
        layout->addWidget(other);
        window.show();
        scheduler.runDue();
    }

    bool key(std::uint16_t keyCode, std::uint64_t flags = 0)
    {
        return recorder->handleKeyDown({ keyCode, true, false, flags, 0, {} });
    }
    bool clearButtonShown() const
    {
        const auto* action = recorder->findChild<QAction*>(QStringLiteral("clearShortcut"));
        return action && action->isVisible();
    }
    std::optional<Shortcut> stored() { return storage().getShortcut(name); }

    const Name name { QStringLiteral("recorded") };
    // Before the window: a recorder that goes while recording still reports.
    std::vector<bool> activity;
    std::vector<std::optional<Shortcut>> changed;
    QWidget window;
    RecorderControl* recorder = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(RecorderControlTest, ShowsTheShortcutAndItsStateWhileIdleAndRecording)
{
    EXPECT_GE(recorder->minimumWidth(), 130);
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Записать сочетание"));
    EXPECT_TRUE(recorder->text().isEmpty());
    EXPECT_FALSE(clearButtonShown());
    EXPECT_FALSE(recorder->isRecording()) << "showing the window does not start recording";

    storage().setShortcut(Shortcut::from(Key::s, cmd | shift), name);
    EXPECT_EQ(recorder->text(), QString::fromUtf16(u"\u21E7\u2318S"));
    EXPECT_TRUE(clearButtonShown());

    recorder->startRecording();
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(shortcuts().activeRecorder(), recorder);
    EXPECT_TRUE(registry().isPaused());
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Нажмите сочетание"));
    EXPECT_EQ(activity, std::vector<bool> { true });

    EXPECT_TRUE(key(0));
    EXPECT_EQ(hotKeys.beeps(), 1);
    EXPECT_TRUE(key(53)); // Escape
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(shortcuts().activeRecorder(), nullptr);
    EXPECT_FALSE(registry().isPaused());
    EXPECT_EQ(activity, (std::vector<bool> { true, false }));
    EXPECT_EQ(stored(), Shortcut::from(Key::s, cmd | shift));
    EXPECT_EQ(recorder->placeholderText(), QStringLiteral("Записать сочетание"));
    EXPECT_TRUE(changed.empty());

    recorder->startRecording();
    EXPECT_TRUE(key(96, fn)); // F5
    EXPECT_EQ(recorder->text(), QStringLiteral("F5"));
    EXPECT_EQ(changed, (std::vector<std::optional<Shortcut>> { Shortcut::from(Key::f5, 0) }));
    EXPECT_FALSE(recorder->isRecording());
}

TEST_F(RecorderControlTest, ObjectionsAlertAndOnlyForcingAWarningStoresTheShortcut)
{
    hotKeys.reserve(21, 0x300); // ⇧⌘4
    recorder->startRecording();
    EXPECT_TRUE(key(12, cmd)); // the menu's ⌘Q
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].alert.buttons, QStringList { QStringLiteral("ОК") });
    EXPECT_FALSE(stored());
    EXPECT_TRUE(recorder->isRecording()) << "recording starts again once the alert is closed";

    EXPECT_TRUE(key(21, cmd | shift));
    ASSERT_EQ(alerts.alerts().size(), 2u);
    const auto& warning = alerts.alerts()[1];
    EXPECT_EQ(warning.alert.message, QStringLiteral("Это сочетание клавиш уже занято системой."));
    EXPECT_EQ(warning.alert.buttons,
        (QStringList { QStringLiteral("ОК"), QStringLiteral("Всё равно использовать") }));
    EXPECT_EQ(warning.alert.style, Alerts::Style::Warning);
    EXPECT_EQ(warning.answer, QStringLiteral("ОК")) << "dismissing the warning does not force the shortcut";
    EXPECT_FALSE(stored());
    alerts.queueAnswer(QStringLiteral("Всё равно использовать"));
    EXPECT_TRUE(key(21, cmd | shift));
    EXPECT_EQ(stored(), Shortcut::from(Key::four, cmd | shift));

    RecorderControl binding(shortcuts(), std::optional<Shortcut> {});
    binding.validateShortcut = [](const Shortcut& s) {
        return s.carbonKeyCode == Key::x ? ValidationResult::disallow(QStringLiteral("Нельзя X"))
                                         : ValidationResult::allow();
    };
    binding.startRecording();
    EXPECT_TRUE(binding.handleKeyDown({ 7, true, false, cmd, 0, {} }));
    EXPECT_EQ(alerts.alerts().back().alert.message, QStringLiteral("Нельзя X"));
    EXPECT_FALSE(binding.shortcut());
    EXPECT_TRUE(binding.handleKeyDown({ 16, true, false, cmd, 0, {} }));
    EXPECT_EQ(binding.shortcut(), Shortcut::from(Key::y, cmd));
    EXPECT_EQ(stored(), Shortcut::from(Key::four, cmd | shift))
        << "a binding recorder keeps its shortcut to itself";
}

TEST_F(RecorderControlTest, DeleteAndTheClearButtonClearAndKeepRecordingTabMovesOn)
{
    const Name withInitial = shortcuts().name(QStringLiteral("initial"), Shortcut::from(Key::i, cmd));
    auto* second = new RecorderControl(shortcuts(), withInitial, {}, &window);
    second->startRecording();
    EXPECT_EQ(shortcuts().activeRecorder(), second);
    EXPECT_TRUE(second->handleKeyDown({ 51, true, false, 0, 0, {} }));
    EXPECT_EQ(defaults.object(withInitial.storageKey()), DefaultsValue(false));
    EXPECT_TRUE(second->text().isEmpty());
    EXPECT_TRUE(second->isRecording());

    // Only one recorder records at a time.
    recorder->startRecording();
    EXPECT_FALSE(second->isRecording());
    EXPECT_EQ(shortcuts().activeRecorder(), recorder);
    EXPECT_TRUE(registry().isPaused());

    storage().setShortcut(Shortcut::from(Key::s, cmd | shift), name);
    EXPECT_TRUE(key(117, fn)); // Forward Delete
    EXPECT_FALSE(defaults.object(name.storageKey())) << "a name without initial shortcut loses its key";
    EXPECT_EQ(changed, (std::vector<std::optional<Shortcut>> { std::nullopt }));
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_FALSE(clearButtonShown());

    EXPECT_FALSE(key(48)) << "Tab goes on";
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(registry().isPaused());

    storage().setShortcut(Shortcut::from(Key::s, cmd | shift), name);
    auto* button = recorder->findChild<QToolButton*>();
    ASSERT_TRUE(button && button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(stored());
    EXPECT_TRUE(recorder->text().isEmpty());
    EXPECT_TRUE(recorder->isRecording()) << "clearing starts recording at once";
}

TEST_F(RecorderControlTest, AClickOutsideEndsRecordingAndGlobalShortcutsWaitMeanwhile)
{
    int fired = 0;
    storage().setShortcut(Shortcut::from(Key::s, cmd | shift), name);
    registry().onKeyUp(name, [&fired] { ++fired; });
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
    EXPECT_FALSE(stored());

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
    EXPECT_EQ(stored(), Shortcut::from(Key::d, cmd | shift));
    EXPECT_TRUE(recorder->hasFocus());
    // Typing into an idle recorder records nothing.
    QTest::keyClick(recorder, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(stored(), Shortcut::from(Key::d, cmd | shift));
}

} // namespace
