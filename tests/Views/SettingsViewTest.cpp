#include "Views/SettingsView.h"
#include "App/ControllerHarness.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/KeyEvent.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "Support/AppSettings.h"
#include "Views/ElidedLabel.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

class SettingsViewTest : public ::testing::Test, public ControllerHarness {
protected:
    SettingsView& view()
    {
        app().showSettings();
        auto* found = app().windows().window(AppWindows::settingsKey)->findChild<SettingsView*>();
        EXPECT_NE(found, nullptr);
        return *found;
    }
    const SettingsView::Row& row(const char* label)
    {
        const auto* found = view().row(QString::fromUtf8(label));
        EXPECT_NE(found, nullptr) << label;
        return *found;
    }
    void copies(int count)
    {
        for (int i = 0; i < count; ++i) {
            copyText(pasteboard, QByteArray::number(i));
            scheduler.advance(0.5);
        }
    }
};

struct SwitchBinding {
    const char* label;
    const char* key;
    bool (AppSettings::*get)() const;
    void (AppSettings::*set)(bool);
};

} // namespace

TEST_F(SettingsViewTest, EverySwitchWritesThroughAndFollowsChangesMadeElsewhere)
{
    const SwitchBinding switches[] = {
        { "Пауза: не записывать новое", "paused", &AppSettings::paused, &AppSettings::setPaused },
        { "Удержание ⌘V открывает историю", "holdToPaste", &AppSettings::holdToPaste,
            &AppSettings::setHoldToPaste },
        { "Удержание ⌘C делает скриншот", "holdToScreenshot", &AppSettings::holdToScreenshot,
            &AppSettings::setHoldToScreenshot },
        { "Сохранять в папку", "screenshotSave", &AppSettings::screenshotSave,
            &AppSettings::setScreenshotSave },
        { "Копировать в буфер обмена", "screenshotCopy", &AppSettings::screenshotCopy,
            &AppSettings::setScreenshotCopy },
        { "Показывать миниатюру в углу", "screenshotThumbnail", &AppSettings::screenshotThumbnail,
            &AppSettings::setScreenshotThumbnail },
        { "Звук затвора", "screenshotSound", &AppSettings::screenshotSound,
            &AppSettings::setScreenshotSound },
    };
    auto& settings = app().settings();
    for (const auto& binding : switches) {
        SCOPED_TRACE(binding.label);
        auto* toggle = row(binding.label).toggle;
        ASSERT_NE(toggle, nullptr);
        const bool before = (settings.*binding.get)();
        EXPECT_EQ(toggle->isChecked(), before);
        toggle->click();
        EXPECT_EQ((settings.*binding.get)(), !before);
        EXPECT_EQ(defaults.object(QString::fromUtf8(binding.key))->asBoolean(), !before);
        (settings.*binding.set)(before);
        EXPECT_EQ(toggle->isChecked(), before);
    }

    // Anything but a stored false means the update checks run, for the switch as for the checks' loop.
    auto* updates = view().row(SettingsView::RowId::AutoCheckUpdates)->toggle;
    EXPECT_TRUE(updates->isChecked());
    updates->click();
    EXPECT_EQ(defaults.object(AppSettings::autoCheckUpdatesKey)->asBoolean(), false);
    EXPECT_FALSE(AppSettings::autoCheckUpdatesIn(defaults));
    defaults.set(AppSettings::autoCheckUpdatesKey, DefaultsValue(QStringLiteral("no")));
    EXPECT_TRUE(AppSettings::autoCheckUpdatesIn(defaults));
    EXPECT_TRUE(AppSettings(defaults).autoCheckUpdates());
}

TEST_F(SettingsViewTest, ADelayTheListDoesNotOfferIsShownAndKeptUntilAnotherIsChosen)
{
    defaults.set(QStringLiteral("holdDelay"), DefaultsValue(0.8));
    const auto& delay = row("Сколько держать");
    EXPECT_EQ(delay.value(), AppSettings::titleForDelay(0.8));
    EXPECT_EQ(app().settings().holdDelay(), 0.8);
    EXPECT_EQ(delay.choice->count(), 6);
    delay.choice->setCurrentIndex(delay.choice->findText(AppSettings::titleForDelay(0.4)));
    EXPECT_EQ(app().settings().holdDelay(), 0.4);
    EXPECT_EQ(delay.choice->count(), 5);
    app().settings().setHoldDelay(3);
    EXPECT_EQ(delay.value(), AppSettings::titleForDelay(3));
    // Pop-ups follow changes made elsewhere; trimming at a smaller limit is the settings scenario's.
    app().settings().setHistoryLimit(HistoryLimit::All);
    EXPECT_EQ(row("Хранить записей").value(), QStringLiteral("Все"));
}

TEST_F(SettingsViewTest, TheFolderRowAbbreviatesTheHomeAndElidesALongPath)
{
    auto& settings = app().settings();
    const auto& folder = row("Папка");
    EXPECT_EQ(folder.value(), QStringLiteral("~/Desktop"));

    const QString home = paths.home();
    for (const auto& [stored, shown] :
        { std::pair { home + QStringLiteral("/Shots"), QStringLiteral("~/Shots") },
            std::pair { home, QStringLiteral("~") },
            // A neighbour of the home folder only shares the beginning of its name.
            std::pair { home + QStringLiteral("2/Shots"), home + QStringLiteral("2/Shots") },
            std::pair { QStringLiteral("~/Literal"), QStringLiteral("~/Literal") } }) {
        settings.setScreenshotFolder(stored);
        EXPECT_EQ(folder.value(), shown);
    }

    // Choosing a folder, and the row greyed while saving is off, are the settings scenario's.
    // Too long for the row: one line, its middle given up, the whole path kept for the tooltip.
    settings.setScreenshotFolder(QStringLiteral("/srv/") + QString(200, u'x') + QStringLiteral("/end"));
    QApplication::processEvents();
    EXPECT_TRUE(folder.path->shownText().contains(u'…'));
    EXPECT_TRUE(folder.path->shownText().endsWith(QStringLiteral("/end")));
    EXPECT_EQ(folder.path->toolTip(), settings.screenshotFolder());
}

TEST_F(SettingsViewTest, ARefusedLoginItemLeavesTheSwitchShowingTheRealState)
{
    auto* login = row("Запускать при входе в систему").toggle;
    EXPECT_FALSE(login->isChecked());
    loginItems.nextChangeFails(QStringLiteral("Operation not permitted"));
    login->click();
    EXPECT_FALSE(login->isChecked());
    EXPECT_EQ(loginItems.status(), LoginItemService::Status::NotRegistered);
    login->click();
    EXPECT_TRUE(login->isChecked());
    EXPECT_EQ(loginItems.status(), LoginItemService::Status::Enabled);
    EXPECT_EQ(loginItems.calls(),
        QStringList({ QStringLiteral("register failed"), QStringLiteral("register ok") }));
}

TEST_F(SettingsViewTest, PermissionRowsFollowTheirSources)
{
    setTrusted(false);
    auto& controller = app();
    controller.start();
    controller.windows().close(AppWindows::onboardingKey);
    // The accessibility row's button and its "Выдать…" and "Выдан" are the settings scenario's.
    const auto& access = row("Универсальный доступ");
    const auto& screen = row("Запись экрана");
    EXPECT_EQ(screen.value(), QStringLiteral("Выдать…"));
    screen.button->click();
    ASSERT_EQ(workspace.openedUrls().size(), 1);
    EXPECT_EQ(workspace.openedUrls().front().toString(),
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"));

    setTrusted(true);
    scheduler.advance(1.5);
    EXPECT_TRUE(access.text->isVisibleTo(access.widget));
    EXPECT_FALSE(access.button->isVisibleTo(access.widget));

    // The screen-recording permission announces nothing: looking again reads it.
    screenAccess.setGranted(true);
    controller.showSettings();
    EXPECT_EQ(screen.value(), QStringLiteral("Выдана"));
}

TEST_F(SettingsViewTest, OnLinuxKeysReadAsTheDesktopWritesThemAndMacOnlyRowsAreLeftOut)
{
    family = SystemFamily::Linux;
    QLocale::setDefault(QLocale::c());
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::system()); });
    auto& controller = app();
    controller.start();
    auto& form = view();
    QStringList labels;
    for (const auto& row : form.rows())
        labels << row.label;
    for (const auto* shown : { "Удержание Ctrl+V открывает историю", "Удержание Ctrl+C делает скриншот",
             "Короткое нажатие Ctrl+V и Ctrl+C работает как обычно.", "Любое удобное." })
        EXPECT_TRUE(labels.contains(QString::fromUtf8(shown))) << shown;
    EXPECT_FALSE(form.row(QStringLiteral("Запись экрана")));
    EXPECT_FALSE(form.row(QStringLiteral("Универсальный доступ")));
    for (const auto* label : form.findChildren<QLabel*>())
        EXPECT_FALSE(
            label->text().contains(QRegularExpression(QStringLiteral("[⌘⇧⌥⌃]|Mac|Системные настройки"))))
            << label->text().toStdString();
    // Numbers are the interface's, whatever locale the process runs in.
    const auto* delay = row("Сколько держать").choice;
    EXPECT_EQ(delay->itemText(0), QStringLiteral("0,4 с"));
    EXPECT_EQ(delay->currentText(), QStringLiteral("0,6 с"));

    controller.shortcuts().storage().setShortcut(
        GlobalShortcuts::Shortcut::from(GlobalShortcuts::Key::d, EventFlags::command | EventFlags::shift),
        ScreenshotShortcut::name());
    EXPECT_EQ(form.recorder()->text(), QStringLiteral("Ctrl+Shift+D"));

    // The permission the controller watches has no row to show it in.
    setTrusted(true);
    scheduler.advance(1.5);
    alerts.queueAnswer(QStringLiteral("Отмена"));
    row("Очистить историю…").button->click();
    ASSERT_FALSE(alerts.alerts().empty());
    EXPECT_EQ(alerts.alerts().back().alert.informativeText,
        QStringLiteral("Все сохранённые записи будут удалены с этого компьютера."));
}

// A session that shows no program the keys held in others says so where the hold switches are.
TEST_F(SettingsViewTest, WithoutAKeyTapTheHoldRowsAreGreyAndSayWhatToDoInstead)
{
    keyboard.setOffers(false, true);
    auto& form = view();
    for (const auto id : { SettingsView::RowId::HoldToPaste, SettingsView::RowId::HoldToScreenshot,
             SettingsView::RowId::HoldDelay })
        EXPECT_FALSE(form.row(id)->widget->isEnabled());
    EXPECT_TRUE(form.row(SettingsView::RowId::HoldCaption)
                    ->label.contains(QStringLiteral("drimo-copy --show-history")));
}

TEST_F(SettingsViewTest, TabReachesEveryControlInOrderAndKeysCloseTheWindow)
{
    auto& form = view();
    auto* window = form.window();
    QApplication::setActiveWindow(window);

    // Each focusable control once, in the rows' order, and round to the first again.
    QList<QWidget*> expected;
    for (const auto& row : form.rows())
        for (QWidget* control : { static_cast<QWidget*>(row.choice), static_cast<QWidget*>(row.toggle),
                 static_cast<QWidget*>(row.recorder), static_cast<QWidget*>(row.button) })
            if (control && control->isVisibleTo(window))
                expected.append(control);
    ASSERT_EQ(expected.last(), form.row(QStringLiteral("Версия"))->button);
    expected.first()->setFocus(Qt::TabFocusReason);
    QList<QWidget*> chain;
    for (int i = 0; i <= expected.size(); ++i) {
        chain.append(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(chain, expected + QList<QWidget*> { expected.first() });
    EXPECT_FALSE(form.recorder()->isRecording()) << "passing through the recorder records nothing";
    EXPECT_FALSE(form.recorder()->shortcut());

    // Escape first ends a recording, and only then closes the window. Space on a switch, Escape and Ctrl+W
    // on the real desktop are the running program's settings test.
    form.recorder()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(form.recorder(), Qt::Key_Space);
    ASSERT_TRUE(form.recorder()->isRecording());
    QTest::keyClick(form.recorder(), Qt::Key_Escape);
    EXPECT_FALSE(form.recorder()->isRecording());
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(form.recorder(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(SettingsViewTest, AClosedPopUpKeepsItsValueUntilAChoiceIsPickedFromItsList)
{
    auto& controller = app();
    controller.start();
    copies(12);
    auto& form = view();
    QApplication::setActiveWindow(form.window());
    auto* limit = form.row(QStringLiteral("Хранить записей"))->choice;
    QSignalSpy applied(&controller.settings(), &AppSettings::historyLimitChanged);

    limit->setFocus(Qt::TabFocusReason);
    for (const auto key : { Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_End, Qt::Key_5 }) {
        limit->hidePopup();
        QTest::keyClick(limit, key);
    }
    QWheelEvent wheel(QPointF(5, 5), limit->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(limit, &wheel);
    EXPECT_EQ(limit->currentText(), QStringLiteral("15"));
    EXPECT_EQ(applied.count(), 0);
    EXPECT_EQ(controller.history().items().size(), 12);

    // The arrows open the list; moving in it changes nothing until the choice is made.
    limit->hidePopup();
    QTest::keyClick(limit, Qt::Key_Down);
    ASSERT_TRUE(limit->view()->isVisible());
    QTest::keyClick(limit->view(), Qt::Key_Up);
    QTest::keyClick(limit->view(), Qt::Key_Up);
    EXPECT_EQ(applied.count(), 0);
    QTest::keyClick(limit->view(), Qt::Key_Return);
    EXPECT_FALSE(limit->view()->isVisible());
    EXPECT_EQ(limit->currentText(), QStringLiteral("5"));
    EXPECT_EQ(applied.count(), 1);
    EXPECT_EQ(controller.history().items().size(), 5);
}

TEST_F(SettingsViewTest, EveryTextShowsInFullAtTheFixedSize)
{
    screenAccess.setGranted(true);
    auto& form = view();
    form.window()->show();
    QApplication::processEvents();
    EXPECT_EQ(form.size(), QSize(SettingsView::contentWidth, SettingsView::contentHeight));
    for (const auto* label : form.findChildren<QLabel*>()) {
        if (!label->isVisibleTo(&form) || label->wordWrap())
            continue;
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    }
    for (const auto* button : form.findChildren<QPushButton*>()) {
        if (!button->isVisibleTo(&form))
            continue;
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
    }
    // Every row fits without scrolling at the default font.
    const auto& last = form.rows().back();
    EXPECT_LE(last.widget->mapTo(&form, QPoint(0, last.widget->height())).y(), form.height());
}
