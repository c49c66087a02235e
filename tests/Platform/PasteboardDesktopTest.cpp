#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/PasteboardTypes.h"

#include <QMimeData>

#include <gtest/gtest.h>

TEST(PasteboardDesktop, MimeDataBecomesPasteboardItems)
{
    QMimeData text;
    text.setData(QStringLiteral("text/plain;charset=utf-8"), "héllo");
    text.setData(QStringLiteral("text/plain"), "hello");
    text.setData(QStringLiteral("text/html"), "<b>h</b>");
    text.setData(QStringLiteral("application/x-custom"), "raw");
    auto items = PasteboardDesktop::itemsFromMime(text);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].data(PasteboardTypes::plainText), QByteArray("héllo")) << "the UTF-8 flavour wins";
    EXPECT_EQ(items[0].data(PasteboardTypes::html), QByteArray("<b>h</b>"));
    EXPECT_EQ(items[0].data(QStringLiteral("application/x-custom")), QByteArray("raw"));

    QMimeData files;
    files.setData(
        QStringLiteral("text/uri-list"), "# comment\r\nfile:///tmp/a.txt\r\nfile:///tmp/b%20b.pdf\r\n");
    items = PasteboardDesktop::itemsFromMime(files);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].data(PasteboardTypes::fileUrl), QByteArray("file:///tmp/b%20b.pdf"));

    QMimeData secret;
    secret.setData(QStringLiteral("text/plain"), "hunter2");
    secret.setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
    items = PasteboardDesktop::itemsFromMime(secret);
    EXPECT_TRUE(items.at(0).hasType(QStringLiteral("org.nspasteboard.ConcealedType")));

    // What X clients offer besides content, and a hint that asks for nothing, add no representations;
    // UTF-8 text wins over Latin-1 text offered first.
    QMimeData offered;
    offered.setData(QStringLiteral("TARGETS"), "x");
    offered.setData(QStringLiteral("text/plain"), "caf\xe9");
    offered.setData(QStringLiteral("TEXT/PLAIN;CHARSET=UTF-8"), "café");
    offered.setData(QStringLiteral("x-kde-passwordManagerHint"), "public");
    offered.setData(QStringLiteral("SAVE_TARGETS"), "");
    items = PasteboardDesktop::itemsFromMime(offered);
    ASSERT_EQ(items.size(), 1u);
    ASSERT_EQ(items[0].representations.size(), 1u);
    EXPECT_EQ(items[0].data(PasteboardTypes::plainText), QByteArray("café"));

    EXPECT_EQ(PasteboardDesktop::mimeForType(PasteboardTypes::png), QStringLiteral("image/png"));
    EXPECT_EQ(PasteboardDesktop::typeForMime(QStringLiteral("image/png")), PasteboardTypes::png);
    EXPECT_EQ(PasteboardDesktop::mimeForType(QStringLiteral("application/x-custom")),
        QStringLiteral("application/x-custom"));
}
