#include "Desktop/DesktopSession.h"
#include "Platform/AccessibilityAttributes.h"
#include "Platform/Desktop/AccessibilityDesktop.h"
#include "Platform/Desktop/ScreensDesktop.h"
#include "Platform/Desktop/WorkspaceDesktop.h"
#include "Support/CaretLocator.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spinUntil;
using DesktopSession::xdotool;

namespace {

// What the text client says of its caret and field, turned into desktop coordinates.
struct Caret {
    QRectF caret;
    QRectF field;
};

std::optional<Caret> parseCaret(const QByteArray& line)
{
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() != 9 || words[0] != "caret")
        return std::nullopt;
    const auto rect = [&](int at) {
        const QRect global(
            words[at].toInt(), words[at + 1].toInt(), words[at + 2].toInt(), words[at + 3].toInt());
        return ScreensDesktop::toDesktop(global, QGuiApplication::primaryScreen()->geometry());
    };
    return Caret { rect(1), rect(5) };
}

} // namespace

TEST(DesktopAccessibility, TheCaretOfTheFocusedTextFieldIsReadThroughAtSpi)
{
    SKIP_WITHOUT_DISPLAY();
    if (!DesktopSession::accessibilityBusAvailable())
        GTEST_SKIP() << "no AT-SPI bus";
    auto client = DesktopSession::startWindow(
        { QStringLiteral("text"), QStringLiteral("hello world"), QStringLiteral("5") });
    ASSERT_TRUE(client);
    const auto reported = parseCaret(client->ready);
    ASSERT_TRUE(reported) << client->ready.constData();

    AccessibilityDesktop accessibility(true);
    WorkspaceDesktop workspace;
    ScreensDesktop screens;
    const long long ownProcess = QCoreApplication::applicationPid();
    std::optional<QRectF> caret;
    const auto locate = [&] {
        caret = CaretLocator::caretRect(accessibility, workspace, screens, ownProcess);
        return caret.has_value();
    };
    // The client joins the bus a moment after its window shows.
    ASSERT_TRUE(spinUntil(locate, 8000));
    // Qt measures the character from the field's top rather than the text line's, so only the field's
    // extent is certain vertically.
    EXPECT_NEAR(caret->x(), reported->caret.x(), 3);
    EXPECT_GE(caret->y(), reported->field.y());
    EXPECT_LE(caret->y() + caret->height(), reported->field.y() + reported->field.height());

    // After the last character there is none to measure; the caret stands at the trailing edge.
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("End") }));
    ASSERT_TRUE(spinUntil([&] {
        client->read();
        return client->output.contains('\n');
    }));
    const auto atEnd = parseCaret(client->output.left(client->output.indexOf('\n')));
    ASSERT_TRUE(atEnd) << client->output.constData();
    ASSERT_TRUE(locate());
    EXPECT_GT(caret->x(), reported->caret.x() + 10);
    EXPECT_NEAR(caret->x(), atEnd->caret.x(), 3);
    EXPECT_EQ(caret->width(), 0);

    // Each lookup starts afresh: what an earlier one found is no element any more.
    const auto application = accessibility.applicationElement(client->process->processId());
    const auto focused = accessibility.copyAttribute(application, AccessibilityAttributes::focusedElement);
    ASSERT_EQ(focused.error, Accessibility::Error::Success);
    const auto element = std::get<Accessibility::Element>(*focused.value);
    EXPECT_EQ(accessibility.copyAttribute(element, AccessibilityAttributes::selectedTextRange).value,
        Accessibility::Value(Accessibility::TextRange { 11, 0 }));
    accessibility.applicationElement(client->process->processId());
    EXPECT_EQ(accessibility.copyAttribute(element, AccessibilityAttributes::selectedTextRange).error,
        Accessibility::Error::InvalidElement);

    // A window without text has no caret, and neither has an application that is not on the bus.
    auto keys = DesktopSession::startWindow();
    ASSERT_TRUE(keys);
    DesktopSession::spin(500);
    EXPECT_FALSE(locate());
    const auto own = accessibility.applicationElement(ownProcess);
    EXPECT_EQ(accessibility.copyAttribute(own, AccessibilityAttributes::focusedElement).error,
        Accessibility::Error::NoValue);
    EXPECT_EQ(accessibility.setMessagingTimeout(own, -1), Accessibility::Error::IllegalArgument);

    // Without the X server's trust nothing is asked at all.
    AccessibilityDesktop untrusted(false);
    const auto front = untrusted.applicationElement(client->process->processId());
    EXPECT_EQ(untrusted.copyAttribute(front, AccessibilityAttributes::focusedElement).error,
        Accessibility::Error::ApiDisabled);
}
