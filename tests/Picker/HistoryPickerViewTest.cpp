#include "Picker/HistoryPickerView.h"
#include "Picker/HistoryPanel.h"
#include "Picker/HistoryRow.h"
#include "Picker/KeyablePanel.h"
#include "Picker/RelativeDate.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Screenshots/PanelShadow.h"

#include "PickerTestItems.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const double now = 800'000'000.0;

struct PickerWindow : ::testing::Test {
    ScreensSimulated screens;
    std::optional<QRectF> caret = QRectF(200, 700, 1, 18);
    HistoryPanel panel { screens, [this] { return caret; }, [] { return now; } };
    QStringList chosen;
    QStringList deleted;
    QStringList thumbnailsAsked;

    void open(QList<ClipboardItem> items)
    {
        panel.show(
            std::move(items),
            [this](const ClipboardItem& item) -> std::optional<QImage> {
                thumbnailsAsked.append(item.id);
                return std::nullopt;
            },
            [this](const ClipboardItem& item) { chosen.append(item.id); },
            [this](const ClipboardItem& item) { deleted.append(item.id); });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.window()));
    }

    // Types text the way a keyboard layout would, Cyrillic included.
    void type(const QString& text)
    {
        for (const auto character : text)
            QTest::sendKeyEvent(
                QTest::Press, panel.window(), Qt::Key_unknown, QString(character), Qt::NoModifier);
    }

    QListView* list() const { return panel.view()->list(); }

    // Whether row `row` lies wholly inside the part of the list on screen.
    bool rowOnScreen(int row) const
    {
        const auto rect = list()->visualRect(list()->model()->index(row, 0));
        return list()->viewport()->rect().contains(rect);
    }
};

} // namespace

TEST_F(PickerWindow, OpensAtTheSizeRuleAndReusesItsWindow)
{
    open({});
    auto* window = panel.window();
    EXPECT_EQ(window->size(), QSize(440, 136));
    EXPECT_TRUE(panel.isOpen());
    EXPECT_EQ(panel.view()->messageText(),
        QStringLiteral("История пуста. Скопируйте что-нибудь — оно появится здесь."));
    // Desktop y grows upwards; the window system's grows downwards from the primary screen's top.
    EXPECT_EQ(*panel.frame(), QRectF(200, 700 - 6 - 136, 440, 136));
    EXPECT_EQ(window->geometry(), QRect(200, 900 - 558 - 136, 440, 136));

    panel.close();
    EXPECT_FALSE(panel.isOpen());
    open(pickerItems(20));
    EXPECT_EQ(panel.window(), window);
    EXPECT_EQ(window->size(), QSize(440, 486));
    EXPECT_TRUE(panel.view()->messageText().isEmpty());
    EXPECT_EQ(list()->model()->rowCount(), 20);
}

TEST_F(PickerWindow, UnderACompositorTheWindowCarriesItsOwnShadowAroundTheSameBody)
{
    screens.setPanelsNeedOwnShadow(true);
    open({});
    auto* window = panel.window();
    const int margin = PanelShadow::margin;
    EXPECT_EQ(*panel.frame(), QRectF(200, 700 - 6 - 136, 440, 136)) << "the body stands where it always does";
    EXPECT_EQ(window->geometry(),
        QRect(200 - margin, 900 - 558 - 136 - margin, 440 + 2 * margin, 136 + 2 * margin));
    EXPECT_EQ(panel.view()->geometry(), QRect(margin, margin, 440, 136));

    const QImage image = window->grab().toImage();
    const int below = margin + 136 + margin / 2;
    EXPECT_GT(qAlpha(image.pixel(margin + 220, below)), 0) << "shadow under the body";
    EXPECT_LT(qAlpha(image.pixel(margin + 220, below)), 128) << "a soft one";
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "clear at the window's corner";
}

TEST_F(PickerWindow, ShowsTheQueryHintsAndMessages)
{
    open(pickerItems(3));
    auto* view = panel.view();
    EXPECT_EQ(view->headerText(), QStringLiteral("Печатайте, чтобы искать"));
    EXPECT_EQ(view->footer()->text(),
        QStringLiteral("↑↓ выбрать · Return или 1–9 вставить · ⌘⌫ удалить · Esc закрыть"));

    ASSERT_EQ(QApplication::focusWidget(), panel.window());
    type(QStringLiteral("номер 2"));
    EXPECT_EQ(view->headerText(), QStringLiteral("номер 2"));
    EXPECT_EQ(list()->model()->rowCount(), 1);
    QTest::keyClick(panel.window(), Qt::Key_Z);
    EXPECT_EQ(view->messageText(), QStringLiteral("Ничего не нашлось"));

    QTest::keyClick(panel.window(), Qt::Key_Escape);
    EXPECT_EQ(view->headerText(), QStringLiteral("Печатайте, чтобы искать"));
    EXPECT_TRUE(panel.isOpen());
    QTest::keyClick(panel.window(), Qt::Key_Escape);
    EXPECT_FALSE(panel.isOpen());
    EXPECT_TRUE(chosen.isEmpty());
}

TEST_F(PickerWindow, ArrowKeysScrollTheSelectionIntoView)
{
    open(pickerItems(20));
    EXPECT_TRUE(rowOnScreen(0));
    EXPECT_FALSE(rowOnScreen(19));
    QTest::keyClick(panel.window(), Qt::Key_Up);
    EXPECT_EQ(panel.model().selection(), 19);
    EXPECT_TRUE(rowOnScreen(19));
    EXPECT_FALSE(rowOnScreen(0));

    QTest::keyClick(panel.window(), Qt::Key_Down);
    EXPECT_EQ(panel.model().selection(), 0);
    EXPECT_TRUE(rowOnScreen(0));
    EXPECT_EQ(list()->verticalScrollBar()->value(), 0);

    // Only the rows that were ever on screen asked for their thumbnails.
    EXPECT_GT(thumbnailsAsked.size(), 0);
    EXPECT_LT(thumbnailsAsked.size(), 20);
}

TEST_F(PickerWindow, PointerSelectsOnHoverAndChoosesOnClick)
{
    open(pickerItems(5));
    // The window appearing under a pointer that stays put selects nothing.
    const auto row3 = list()->visualRect(list()->model()->index(3, 0)).center();
    QMouseEvent resting(
        QEvent::MouseMove, row3, QPointF(QCursor::pos()), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list()->viewport(), &resting);
    EXPECT_EQ(panel.model().selection(), 0);

    const auto row2 = list()->visualRect(list()->model()->index(2, 0)).center();
    QTest::mouseMove(list()->viewport(), row2);
    EXPECT_EQ(panel.model().selection(), 2);

    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row2);
    EXPECT_EQ(chosen, QStringList { "ID-2" });
    EXPECT_FALSE(panel.isOpen());
}

TEST_F(PickerWindow, DeletingTheLastEntryKeepsThePickerOpenAtItsSize)
{
    open(pickerItems(1));
    QTest::keyClick(panel.window(), Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(deleted, QStringList { "ID-0" });
    EXPECT_TRUE(panel.isOpen());
    EXPECT_EQ(panel.window()->size(), QSize(440, 136));
    EXPECT_EQ(panel.view()->messageText(),
        QStringLiteral("История пуста. Скопируйте что-нибудь — оно появится здесь."));
}

// What each key does is the key table's (HistoryPanelTest); here, that losing the keyboard closes.
TEST_F(PickerWindow, LosingTheKeyboardClosesWithoutAChoice)
{
    open(pickerItems(5));
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(panel.window(), &deactivate);
    EXPECT_FALSE(panel.isOpen());
    EXPECT_TRUE(chosen.isEmpty());
}

TEST(HistoryRow, PreviewLinesFollowTheKind)
{
    HistoryRow row;
    row.item = pickerItem(0, QStringLiteral("первая строка\nвторая строка\nтретья строка"));
    const auto text = row.previewLines(300);
    ASSERT_EQ(text.size(), 2);
    EXPECT_EQ(text[0], QStringLiteral("первая строка"));
    EXPECT_TRUE(text[1].startsWith(QStringLiteral("вторая"))) << text[1].toStdString();
    EXPECT_TRUE(text[1].endsWith(QChar(0x2026))) << text[1].toStdString();

    row.item = pickerItem(0, QStringLiteral("коротко"));
    EXPECT_EQ(row.previewLines(300), QStringList { "коротко" });

    row.item = pickerItem(0, QString(200, QChar(u'ж')), ClipboardItem::Kind::Files);
    const auto files = row.previewLines(300);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith(QChar(0x2026)));

    row.item = pickerItem(0, QStringLiteral("слово ").repeated(60));
    const auto wrapped = row.previewLines(300);
    ASSERT_EQ(wrapped.size(), 2);
    EXPECT_TRUE(wrapped[1].endsWith(QChar(0x2026)));
}

TEST(RelativeDate, ShortStyleInTheGivenLocale)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(RelativeDate::text(now - 5 * 60, now, russian), QStringLiteral("5 мин. назад"));
    EXPECT_EQ(RelativeDate::text(now - 3 * 3600 - 50, now, english), QStringLiteral("3 hr. ago"));
    EXPECT_EQ(RelativeDate::text(now - 2 * 86400, now, english), QStringLiteral("2 days ago"));
    EXPECT_EQ(RelativeDate::text(now - 15 * 86400, now, english), QStringLiteral("2 wk. ago"));
    EXPECT_EQ(RelativeDate::text(now - 400 * 86400, now, english), QStringLiteral("1 yr. ago"));
    EXPECT_EQ(RelativeDate::text(now + 120, now, english), QStringLiteral("in 2 min."));
    EXPECT_EQ(RelativeDate::text(now, now, english), QStringLiteral("0 sec. ago"));
    EXPECT_EQ(RelativeDate::text(now - 86400, now, QLocale::c()), QStringLiteral("1 day ago"));
}

TEST(HistoryPickerView, OnLinuxTheHintsNameKeysAsTheDesktopDoesAndDatesStayRussian)
{
    QLocale::setDefault(QLocale::c());
    const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::system()); });
    HistoryPickerModel model;
    HistoryPickerView view(
        model, [] { return now; }, SystemFamily::Linux);
    const auto* footer = view.footer();
    EXPECT_EQ(footer->text(),
        QStringLiteral("↑↓ выбрать · Return или 1–9 вставить · Ctrl+Backspace удалить · Esc закрыть"));
    // The longer hints still clear the rounded corners.
    view.resize(static_cast<int>(HistoryPanel::width), 300);
    view.show();
    EXPECT_LE(footer->fontMetrics().horizontalAdvance(footer->text()), view.width() - 2 * 12);
    EXPECT_EQ(RelativeDate::text(now - 11, now), QStringLiteral("11 сек. назад"));
    EXPECT_EQ(RelativeDate::text(now - 60, now), QStringLiteral("1 мин. назад"));
}

TEST(HistoryRow, LongNumbersShrinkToStayClearOfTheIcon)
{
    HistoryRow row;
    row.number = 7;
    EXPECT_EQ(row.numberFont().pixelSize(), 11);
    row.number = 10000;
    const auto font = row.numberFont();
    EXPECT_LT(font.pixelSize(), 11);
    EXPECT_LE(
        QFontMetricsF(font).horizontalAdvance("10000"), HistoryRow::numberWidth + 2 * HistoryRow::padding);
}
