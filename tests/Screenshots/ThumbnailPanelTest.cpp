#include "Screenshots/ThumbnailPanel.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/Simulated/ScreensSimulated.h"
#include "Screenshots/PanelShadow.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ThumbnailView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

std::shared_ptr<Shot> shotOfSize(QSize size, std::optional<QString> file = std::nullopt)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    return std::make_shared<Shot>(image, image, 2, std::move(file));
}

void send(QWidget* widget, QEvent::Type type, QPointF at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void enter(QWidget* widget)
{
    QEnterEvent event(QPointF(10, 10), QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)));
    QApplication::sendEvent(widget, &event);
}

void leave(QWidget* widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

struct Thumbnail {
    VirtualScheduler scheduler;
    ScreensSimulated screens;
    ThumbnailPanel panel { scheduler, screens };
    int opened = 0;

    void show(std::shared_ptr<Shot> shot = shotOfSize(QSize(2880, 1800)))
    {
        panel.show(std::move(shot), [this] { ++opened; });
    }
    bool shown() const { return panel.panel() != nullptr; }
};

} // namespace

TEST(ThumbnailPanel, FitsTheShotsProportionsIntoTheCorner)
{
    EXPECT_EQ(ThumbnailPanel::thumbnailSize(QSize(2880, 1800)), QSizeF(220, 137.5));
    EXPECT_EQ(ThumbnailPanel::thumbnailSize(QSize(1000, 2000)), QSizeF(75, 150));
    EXPECT_EQ(ThumbnailPanel::thumbnailSize(QSize(1500, 1000)), QSizeF(220, 220 / 1.5));
    EXPECT_EQ(ThumbnailPanel::thumbnailSize(QSize(300, 0)), ThumbnailPanel::thumbnailSize(QSize(300, 1)));
    EXPECT_EQ(ThumbnailPanel::thumbnailSize(QSize(300, 1)), QSizeF(220, 220.0 / 300));
}

TEST(ThumbnailPanel, SlidesInAtTheBottomRightOfTheScreenUnderThePointer)
{
    Thumbnail thumbnail;
    thumbnail.screens.addScreen({ QRectF(0, 0, 1440, 900), QRectF(0, 0, 1440, 875), 2 });
    thumbnail.screens.addScreen({ QRectF(1440, 0, 1920, 1080), QRectF(1440, 60, 1920, 995), 1 });
    thumbnail.screens.setMouseLocation(QPointF(2000, 500));
    thumbnail.show();

    ASSERT_TRUE(thumbnail.shown());
    QWidget* panel = thumbnail.panel.panel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(thumbnail.panel.frame(), QRectF(3360 - 220 - 20 + 36, 80, 220, 137.5));
    EXPECT_EQ(thumbnail.panel.alpha(), 0);

    thumbnail.scheduler.advance(0.11);
    EXPECT_GT(thumbnail.panel.alpha(), 0.2);
    EXPECT_LT(thumbnail.panel.alpha(), 0.8);
    EXPECT_GT(thumbnail.panel.frame().x(), 3120);
    thumbnail.scheduler.advance(0.1101);
    EXPECT_EQ(thumbnail.panel.frame(), QRectF(3120, 80, 220, 137.5));
    EXPECT_EQ(thumbnail.panel.alpha(), 1);
    EXPECT_DOUBLE_EQ(panel->windowOpacity(), 1);
    // Window-system coordinates count from the primary screen's top edge downwards.
    EXPECT_EQ(panel->geometry(), QRect(3120, qRound(900 - 80 - 137.5), 220, 138));

    // Where the window system counts from another screen's corner, the window moves with the primary.
    thumbnail.screens.setPrimaryWindowOrigin(QPointF(1920, 40));
    thumbnail.screens.setMouseLocation(QPointF(-500, -500));
    thumbnail.show();
    thumbnail.scheduler.advance(1);
    EXPECT_EQ(thumbnail.panel.frame(), QRectF(1200, 20, 220, 137.5))
        << "no screen under the pointer: the main one";
    EXPECT_EQ(thumbnail.panel.panel()->pos(), QPoint(1920 + 1200, 40 + qRound(900 - 20 - 137.5)));
    thumbnail.screens.removeAllScreens();
    thumbnail.show(shotOfSize(QSize(1000, 2000)));
    thumbnail.scheduler.advance(1);
    EXPECT_EQ(thumbnail.panel.frame(), QRectF(1440 - 75 - 20, 20, 75, 150));
}

TEST(ThumbnailPanel, UnderACompositorTheWindowCarriesItsOwnShadowAroundTheSameBody)
{
    Thumbnail thumbnail;
    thumbnail.screens.setPanelsNeedOwnShadow(true);
    thumbnail.show();
    thumbnail.scheduler.advance(1);
    const int margin = PanelShadow::margin;
    EXPECT_EQ(thumbnail.panel.frame(), QRectF(1440 - 220 - 20, 20, 220, 137.5));
    QWidget* panel = thumbnail.panel.panel();
    EXPECT_EQ(panel->geometry(),
        QRect(
            1440 - 220 - 20 - margin, qRound(900 - 20 - 137.5) - margin, 220 + 2 * margin, 138 + 2 * margin));
    EXPECT_EQ(thumbnail.panel.view()->geometry(), QRect(margin, margin, 220, 138));
    const QImage image = panel->grab().toImage();
    EXPECT_GT(qAlpha(image.pixel(margin + 110, margin + 138 + margin / 2)), 0) << "shadow under the body";
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

TEST(ThumbnailPanel, HidesAfterSixSecondsOrFourAfterThePointerLeaves)
{
    Thumbnail thumbnail;
    thumbnail.show();
    thumbnail.scheduler.advance(5.99);
    EXPECT_EQ(thumbnail.panel.alpha(), 1);
    thumbnail.scheduler.advance(0.13);
    EXPECT_LT(thumbnail.panel.alpha(), 0.9) << "fading";
    EXPECT_TRUE(thumbnail.shown());
    thumbnail.scheduler.advance(0.15);
    EXPECT_EQ(thumbnail.panel.alpha(), 0);
    EXPECT_TRUE(thumbnail.shown());
    thumbnail.scheduler.advance(0.01);
    EXPECT_FALSE(thumbnail.shown()) << "closed 0.28 s after the fade began";
    EXPECT_EQ(thumbnail.opened, 0);

    thumbnail.show();
    thumbnail.scheduler.advance(3);
    enter(thumbnail.panel.view());
    thumbnail.scheduler.advance(30);
    EXPECT_EQ(thumbnail.panel.alpha(), 1) << "stays while the pointer is over it";
    leave(thumbnail.panel.view());
    thumbnail.scheduler.advance(4.2);
    EXPECT_TRUE(thumbnail.shown()) << "a fresh four-second countdown, not the rest of the first";
    thumbnail.scheduler.advance(0.1);
    EXPECT_FALSE(thumbnail.shown());
}

TEST(ThumbnailPanel, APointerEnteringDuringTheFadeBringsItBack)
{
    Thumbnail thumbnail;
    thumbnail.show();
    thumbnail.scheduler.advance(6.1);
    ASSERT_LT(thumbnail.panel.alpha(), 1);
    enter(thumbnail.panel.view());
    EXPECT_EQ(thumbnail.panel.alpha(), 1);
    thumbnail.scheduler.advance(20);
    EXPECT_TRUE(thumbnail.shown());
    EXPECT_EQ(thumbnail.panel.alpha(), 1);
}

TEST(ThumbnailPanel, AnOldHideNeverClosesANewerThumbnail)
{
    Thumbnail thumbnail;
    thumbnail.show();
    thumbnail.scheduler.advance(6.1);
    QWidget* first = thumbnail.panel.panel();
    thumbnail.show(shotOfSize(QSize(800, 600)));
    EXPECT_NE(thumbnail.panel.panel(), first);
    EXPECT_FALSE(first->isVisible()) << "a new thumbnail removes the old one at once";
    thumbnail.scheduler.advance(5.5);
    EXPECT_TRUE(thumbnail.shown());
    EXPECT_EQ(thumbnail.panel.alpha(), 1);
    thumbnail.panel.close();
    thumbnail.panel.close();
    EXPECT_FALSE(thumbnail.shown());
}

// Where a compositor gives the thumbnail the keyboard anyway, Return opens the editor and any other key
// closes it.
TEST(ThumbnailView, CloseButtonShowsOnHoverAndClosesWithoutOpeningAsKeysOtherThanReturnDo)
{
    Thumbnail thumbnail;
    thumbnail.show();
    ThumbnailView* view = thumbnail.panel.view();
    ASSERT_TRUE(view);
    EXPECT_EQ(
        view->toolTip(), QStringLiteral("Щелчок — изменить. Перетащите в другую программу, чтобы вставить."));
    QToolButton* button = view->closeButton();
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Закрыть"));
    EXPECT_EQ(button->geometry(), QRect(6, 6, 20, 20));
    EXPECT_FALSE(button->isVisibleTo(view));
    enter(view);
    EXPECT_TRUE(button->isVisibleTo(view));
    leave(view);
    EXPECT_FALSE(button->isVisibleTo(view));
    enter(view);
    button->click();
    EXPECT_FALSE(thumbnail.shown());
    EXPECT_EQ(thumbnail.opened, 0);

    const auto press = [&](Qt::Key key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(thumbnail.panel.panel(), &event);
    };
    for (const Qt::Key key : { Qt::Key_Escape, Qt::Key_Shift, Qt::Key_A }) {
        thumbnail.show();
        press(key);
        EXPECT_FALSE(thumbnail.shown()) << key;
    }
    thumbnail.show();
    press(Qt::Key_Return);
    EXPECT_FALSE(thumbnail.shown());
    EXPECT_EQ(thumbnail.opened, 1);
}

TEST(ThumbnailView, AShortPressIsAClickALongerMoveADrag)
{
    Thumbnail thumbnail;
    thumbnail.show();
    ThumbnailView* view = thumbnail.panel.view();
    int drags = 0;
    view->runDrag = [&](std::unique_ptr<QMimeData>, const QPixmap&, QPoint) {
        ++drags;
        return Qt::IgnoreAction;
    };
    send(view, QEvent::MouseButtonPress, QPointF(50, 50));
    send(view, QEvent::MouseMove, QPointF(50, 54)); // exactly 4 points
    send(view, QEvent::MouseButtonRelease, QPointF(50, 54));
    EXPECT_EQ(drags, 0);
    EXPECT_EQ(thumbnail.opened, 1);
    EXPECT_FALSE(thumbnail.shown()) << "the click closes the thumbnail, then opens the editor";

    thumbnail.show();
    view = thumbnail.panel.view();
    view->runDrag = [&](std::unique_ptr<QMimeData>, const QPixmap& picture, QPoint) {
        ++drags;
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), view->size());
        return Qt::IgnoreAction;
    };
    send(view, QEvent::MouseButtonPress, QPointF(50, 50));
    send(view, QEvent::MouseMove, QPointF(54.1, 50));
    send(view, QEvent::MouseMove, QPointF(80, 60));
    send(view, QEvent::MouseButtonRelease, QPointF(80, 60));
    EXPECT_EQ(drags, 1) << "one drag per press";
    EXPECT_EQ(thumbnail.opened, 1) << "no click after a drag";
    EXPECT_TRUE(thumbnail.shown()) << "a refused drop leaves the thumbnail";
    EXPECT_FALSE(view->isDragging());
}

TEST(ThumbnailView, DragsTheFileWhenSavedElseTheImageAndAnAcceptedDropCloses)
{
    const auto shot = shotOfSize(QSize(640, 400));
    auto unsaved = ThumbnailView::dragContent(*shot);
    EXPECT_FALSE(unsaved->hasUrls());
    EXPECT_EQ(qvariant_cast<QImage>(unsaved->imageData()).size(), QSize(640, 400));
    shot->setFile(QStringLiteral("/home/me/Desktop/Скриншот 1.png"));
    auto saved = ThumbnailView::dragContent(*shot);
    ASSERT_EQ(saved->urls().size(), 1);
    EXPECT_EQ(saved->urls()[0].toLocalFile(), QStringLiteral("/home/me/Desktop/Скриншот 1.png"));
    EXPECT_FALSE(saved->hasImage());

    Thumbnail thumbnail;
    thumbnail.show(shot);
    ThumbnailView* view = thumbnail.panel.view();
    QList<QUrl> offered;
    view->runDrag = [&](std::unique_ptr<QMimeData> content, const QPixmap&, QPoint) {
        offered = content->urls();
        return Qt::CopyAction;
    };
    send(view, QEvent::MouseButtonPress, QPointF(20, 20));
    send(view, QEvent::MouseMove, QPointF(40, 40));
    EXPECT_EQ(offered.size(), 1);
    EXPECT_FALSE(thumbnail.shown());
    send(view, QEvent::MouseButtonRelease, QPointF(40, 40));
    EXPECT_EQ(thumbnail.opened, 0);
}
