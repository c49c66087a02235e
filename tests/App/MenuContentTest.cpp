#include "App/MenuContent.h"
#include "App/MenuBarItem.h"
#include "ControllerHarness.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using Kind = MenuContent::Row::Kind;

class MenuContentTest : public ::testing::Test, public ControllerHarness { };

TEST_F(MenuContentTest, TwelveRowsWhileThePermissionIsMissing)
{
    MenuContent menu(app());
    const auto rows = menu.rows();
    const std::vector<std::pair<Kind, QString>> expected {
        { Kind::Command, QStringLiteral("Сделать скриншот") },
        { Kind::Caption, QStringLiteral("или удерживайте ⌘C") },
        { Kind::Separator, QString() },
        { Kind::Command, QStringLiteral("Открыть историю") },
        { Kind::Caption, QStringLiteral("или удерживайте ⌘V") },
        { Kind::Check, QStringLiteral("Пауза записи") },
        { Kind::Separator, QString() },
        { Kind::Command, QStringLiteral("Выдать разрешение…") },
        { Kind::Command, QStringLiteral("Настройки…") },
        { Kind::Command, QStringLiteral("Проверить обновления…") },
        { Kind::Separator, QString() },
        { Kind::Command, QStringLiteral("Завершить Drimo Copy") },
    };
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].kind, expected[i].first) << i;
        EXPECT_EQ(rows[i].text, expected[i].second) << i;
    }
    EXPECT_EQ(rows[8].shortcut, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(rows[11].shortcut, QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_FALSE(menu.trigger(QStringLiteral("или удерживайте ⌘C")));

    EXPECT_TRUE(menu.trigger(QStringLiteral("Выдать разрешение…")));
    EXPECT_TRUE(app().windows().window(AppWindows::onboardingKey)->isVisible());
    EXPECT_TRUE(menu.trigger(QStringLiteral("Завершить Drimo Copy")));
    EXPECT_EQ(lifecycle.terminationCount(), 1);
}

TEST_F(MenuContentTest, OnLinuxTheHoldsAreWrittenWithCtrl)
{
    family = SystemFamily::Linux;
    const auto rows = MenuContent(app()).rows();
    EXPECT_EQ(rows[1].text, QStringLiteral("или удерживайте Ctrl+C"));
    EXPECT_EQ(rows[4].text, QStringLiteral("или удерживайте Ctrl+V"));
}

TEST_F(MenuContentTest, PermissionRowGoesWhenGrantedAndPauseIsBoundBothWays)
{
    app().start();
    MenuContent menu(app());
    MenuBarItem menuBar(menu);
    QSignalSpy changed(&menu, &MenuContent::changed);
    EXPECT_EQ(menuBar.menu()->actions().size(), 12);
    // The icon is drawn from its SVG: some pixels are ink, the corners are clear.
    const auto icon = menuBar.icon().pixmap(22, 22).toImage();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_GT(qAlpha(icon.pixel(11, 3)), 0);
    EXPECT_LT(qGray(icon.pixel(11, 3)), 100) << "dark ink on a light desktop";
    // A dark desktop palette makes the glyph light.
    const QPalette saved = QGuiApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();
    const auto lightIcon = menuBar.icon().pixmap(22, 22).toImage();
    QApplication::setPalette(saved);
    EXPECT_GT(qGray(lightIcon.pixel(11, 3)), 200);
    EXPECT_GT(qAlpha(lightIcon.pixel(11, 3)), 200);

    // Trays that report a left click as activation get the menu from us; a right click is theirs.
    menuBar.activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(menuBar.menu()->isVisible());
    menuBar.activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(menuBar.menu()->isVisible());
    menuBar.menu()->hide();

    setTrusted(true);
    scheduler.advance(1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(menu.rows().size(), 11u);
    EXPECT_EQ(menuBar.menu()->actions().size(), 11);
    EXPECT_FALSE(menu.trigger(QStringLiteral("Выдать разрешение…")));

    // The pause row pausing and storing it is the pause scenario's; here, that the check follows the setting.
    app().settings().setPaused(true);
    EXPECT_TRUE(menu.rows()[5].checked);
    EXPECT_TRUE(menuBar.menu()->actions()[5]->isChecked());
    app().settings().setPaused(false);
    EXPECT_FALSE(menuBar.menu()->actions()[5]->isChecked());
    menuBar.menu()->actions()[5]->trigger();
    EXPECT_TRUE(app().settings().paused());
    EXPECT_EQ(changed.count(), 4);
}

} // namespace
