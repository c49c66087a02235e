#include "Platform/Simulated/WorkspaceSimulated.h"
#include "Views/OnboardingView.h"
#include "Views/WindowPresenter.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList shownTexts(const QWidget& root)
{
    QStringList texts;
    for (const auto* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root))
            continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            texts.append(label->text());
        else if (const auto* button = qobject_cast<const QPushButton*>(widget))
            texts.append(button->text());
    }
    return texts;
}

} // namespace

TEST(OnboardingViewTest, RowsFollowTheFlagsAndReturnOpensSettings)
{
    OnboardingView view;
    int opened = 0;
    view.onOpenSettings = [&] { ++opened; };
    view.show();
    EXPECT_EQ(view.width(), 440);

    // The rows while waiting, once granted and when a restart is needed, and Return opening the settings,
    // are the onboarding and tap-fails scenarios'.
    const auto waiting = shownTexts(view);
    EXPECT_EQ(waiting.first(), QStringLiteral("Drimo Copy почти готов"));
    EXPECT_EQ(waiting.last(),
        QStringLiteral("История записывается и без разрешения: её можно открыть из меню в строке меню."));

    // Once granted, Return opens nothing: the restart it may need is the button's alone.
    view.setAccessibilityGranted(true);
    view.setNeedsRestart(true);
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(opened, 0);

    // A system without a settings page for the permission: no steps and no button that cannot work, but
    // what to do instead, until the permission arrives.
    const QString instead = QStringLiteral("Войдите в другой сеанс.");
    view.setAccessibilityGranted(false);
    view.setGrantInstructions(instead);
    const auto withoutSettings = shownTexts(view);
    EXPECT_TRUE(withoutSettings.contains(instead));
    EXPECT_FALSE(withoutSettings.contains(QStringLiteral("Открыть настройки")));
    EXPECT_FALSE(withoutSettings.contains(QStringLiteral("1. Нажмите «Открыть настройки».")));
    QTest::keyClick(&view, Qt::Key_Return);
    EXPECT_EQ(opened, 0);
    view.setAccessibilityGranted(true);
    EXPECT_FALSE(shownTexts(view).contains(instead));
    EXPECT_TRUE(
        shownTexts(view).contains(QStringLiteral("Чтобы удержание ⌘V открывало историю, а удержание ⌘C "
                                                 "делало скриншот, macOS нужно разрешение «Универсальный "
                                                 "доступ».")));

    // A Linux desktop neither has that permission nor writes keys that way.
    OnboardingView onLinux(SystemFamily::Linux);
    onLinux.setNeedsRestart(true);
    onLinux.show();
    for (const auto& text : shownTexts(onLinux))
        EXPECT_FALSE(text.contains(QRegularExpression(QStringLiteral("[⌘⇧⌥⌃]|Mac|macOS"))))
            << text.toStdString();
    EXPECT_TRUE(
        shownTexts(onLinux).contains(QStringLiteral("Чтобы удержание Ctrl+V открывало историю, а удержание "
                                                    "Ctrl+C делало скриншот, Drimo Copy нужен доступ к "
                                                    "клавиатуре.")));
}

TEST(WindowPresenterTest, OneWindowPerKeyReusedAfterClosing)
{
    WorkspaceSimulated workspace;
    WindowPresenter presenter(workspace);
    int made = 0;
    const auto content = [&] {
        ++made;
        auto* label = new QLabel(QStringLiteral("content"));
        label->setFixedSize(300, 120);
        return label;
    };
    auto* first
        = presenter.present(QStringLiteral("settings"), QStringLiteral("Настройки Drimo Copy"), content);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Настройки Drimo Copy"));
    EXPECT_EQ(first->size(), QSize(300, 120));
    EXPECT_TRUE(workspace.selfIsFrontmost());

    EXPECT_EQ(presenter.present(QStringLiteral("settings"), QStringLiteral("other"), content), first);
    presenter.close(QStringLiteral("settings"));
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(presenter.present(QStringLiteral("settings"), QStringLiteral("other"), content), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(made, 1);
    EXPECT_EQ(workspace.activationCount(), 3);

    auto* second = presenter.present(QStringLiteral("onboarding"), QStringLiteral("Drimo Copy"), content);
    EXPECT_NE(second, first);
    EXPECT_EQ(presenter.keys(), QStringList({ QStringLiteral("onboarding"), QStringLiteral("settings") }));
    presenter.close(QStringLiteral("missing"));
}
