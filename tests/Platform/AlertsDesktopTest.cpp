#include "Platform/Desktop/AlertsDesktop.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

Alerts::Alert threeButtons()
{
    return { Alerts::Style::Critical, QStringLiteral("Удалить?"), QStringLiteral("Это нельзя отменить."),
        { QStringLiteral("Удалить"), QStringLiteral("Оставить"), QStringLiteral("Отменить") } };
}

// Runs `answer` on the modal box once it is up.
template <typename Widget> void whenModal(std::function<void(Widget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        auto* widget = qobject_cast<Widget*>(QApplication::activeModalWidget());
        ASSERT_NE(widget, nullptr);
        answer(widget);
    });
}

QPushButton* buttonNamed(QWidget* box, const QString& text)
{
    for (auto* button : box->findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

} // namespace

TEST(AlertsDesktopTest, ShowsTheAlertAndAnswersWithTheClickedButton)
{
    AlertsDesktop alerts;
    QStringList shownOrder;
    QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
    QString shownText;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        shownIcon = box->icon();
        shownText = box->text() + QLatin1Char('|') + box->informativeText();
        // Left to right as laid out on screen.
        auto buttons = box->findChildren<QPushButton*>();
        std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
        for (auto* button : buttons)
            shownOrder.append(button->text());
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Удалить"));
        QTest::mouseClick(buttonNamed(box, QStringLiteral("Оставить")), Qt::LeftButton);
    });
    EXPECT_EQ(alerts.run(threeButtons()), QStringLiteral("Оставить"));
    EXPECT_EQ(shownIcon, QMessageBox::Critical);
    EXPECT_EQ(shownText, QStringLiteral("Удалить?|Это нельзя отменить."));
    EXPECT_EQ(shownOrder,
        QStringList({ QStringLiteral("Удалить"), QStringLiteral("Оставить"), QStringLiteral("Отменить") }));
}

TEST(AlertsDesktopTest, EscapeAndStylesGiveTheNeutralAnswer)
{
    AlertsDesktop alerts;
    whenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_EQ(alerts.run(threeButtons()), QStringLiteral("Отменить"));

    whenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(alerts.run(threeButtons()), QStringLiteral("Удалить"));

    QMessageBox box;
    AlertsDesktop::configure(box, { Alerts::Style::Informational, QStringLiteral("a"), {}, {} });
    EXPECT_EQ(box.icon(), QMessageBox::Information);
    AlertsDesktop::configure(box, { Alerts::Style::Warning, QStringLiteral("a"), {}, {} });
    EXPECT_EQ(box.icon(), QMessageBox::Warning);
}

TEST(AlertsDesktopTest, FolderChooserGivesTheChosenFolderOrNothing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Снимки")));
    AlertsDesktop alerts;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        mode = dialog->fileMode();
        dialog->selectFile(dir.filePath(QStringLiteral("Снимки")));
        static_cast<QDialog*>(dialog)->accept();
    });
    EXPECT_EQ(alerts.chooseFolder(QStringLiteral("Папка"), dir.path()),
        std::optional(QDir(dir.filePath(QStringLiteral("Снимки"))).absolutePath()));
    EXPECT_EQ(mode, QFileDialog::Directory);

    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(alerts.chooseFolder(QStringLiteral("Папка"), dir.path()), std::nullopt);
}

TEST(AlertsDesktopTest, ASheetIsModalForItsWindowAndEscapeChoosesItsDismissingButton)
{
    AlertsDesktop alerts;
    QWidget window;
    window.show();
    Qt::WindowModality modality = Qt::NonModal;
    QWidget* parent = nullptr;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        modality = box->windowModality();
        parent = box->parentWidget();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    // The harmless answer comes first here: dismissing must not choose the last one.
    EXPECT_EQ(alerts.runSheet(threeButtons(), &window, 0), QStringLiteral("Удалить"));
    EXPECT_EQ(modality, Qt::WindowModal);
    EXPECT_EQ(parent, &window);
}
