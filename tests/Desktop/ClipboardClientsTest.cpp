#include "Clipboard/PasteboardCapture.h"
#include "Desktop/DesktopSession.h"
#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/Desktop/X11ClipboardReader.h"
#include "Platform/PasteboardTypes.h"
#include "TestSupport/TestImages.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spin;
using DesktopSession::spinUntil;

namespace {

// Has xclip own the clipboard with `bytes` under `target` and waits until the pasteboard counts the change
// and its contents have arrived.
bool xclipCopy(PasteboardDesktop& pasteboard, const QByteArray& bytes, const QString& target = {})
{
    QStringList arguments { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i") };
    if (!target.isEmpty())
        arguments += { QStringLiteral("-t"), target };
    const long long before = pasteboard.changeCount();
    if (!run(QStringLiteral("xclip"), arguments, bytes))
        return false;
    return spinUntil([&] { return pasteboard.changeCount() > before && pasteboard.contentsArrived(); });
}

std::optional<QByteArray> xclipPaste(const QString& target)
{
    return run(QStringLiteral("xclip"),
        { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"),
            QStringLiteral("-t"), target });
}

} // namespace

TEST(DesktopClipboard, CopiesOfOtherClientsAreCountedOnceAndCaptured)
{
    SKIP_WITHOUT_DISPLAY();
    PasteboardDesktop pasteboard(QGuiApplication::clipboard());
    // A change an earlier test left on its way (a clipboard owner that quit) is not this test's.
    spin(300);

    const QByteArray text = "Привет, clipboard\n";
    long long before = pasteboard.changeCount();
    ASSERT_TRUE(xclipCopy(pasteboard, text));
    spin(200);
    EXPECT_EQ(pasteboard.changeCount(), before + 1) << "one copy, one change";
    auto capture = PasteboardCapture::read(pasteboard);
    ASSERT_TRUE(capture);
    EXPECT_EQ(capture->kind, ClipboardItem::Kind::Text);
    EXPECT_EQ(pasteboard.items().at(0).data(PasteboardTypes::plainText), text);
    EXPECT_FALSE(pasteboard.types().contains(QStringLiteral("TARGETS"))) << "protocol targets are no content";

    const QByteArray png = TestImages::png(7, 5);
    ASSERT_TRUE(xclipCopy(pasteboard, png, QStringLiteral("image/png")));
    capture = PasteboardCapture::read(pasteboard);
    ASSERT_TRUE(capture);
    EXPECT_EQ(capture->kind, ClipboardItem::Kind::Image);
    EXPECT_EQ(pasteboard.items().at(0).data(PasteboardTypes::png), png);
    EXPECT_EQ(capture->preview, QStringLiteral("Изображение 7×5"));

    QTemporaryDir folder;
    const QString first = folder.filePath(QStringLiteral("a report.txt"));
    const QString second = folder.filePath(QStringLiteral("b.pdf"));
    const QByteArray uris
        = QUrl::fromLocalFile(first).toEncoded() + "\r\n" + QUrl::fromLocalFile(second).toEncoded() + "\r\n";
    ASSERT_TRUE(xclipCopy(pasteboard, uris, QStringLiteral("text/uri-list")));
    const auto items = pasteboard.items();
    ASSERT_EQ(items.size(), 2u) << "one item per URI";
    EXPECT_EQ(items[1].data(PasteboardTypes::fileUrl), QUrl::fromLocalFile(second).toEncoded());
    capture = PasteboardCapture::read(pasteboard);
    ASSERT_TRUE(capture);
    EXPECT_EQ(capture->kind, ClipboardItem::Kind::Files);
    EXPECT_EQ(capture->preview, QStringLiteral("a report.txt, b.pdf"));
}

TEST(DesktopClipboard, WritesReachOtherClientsByteForByteAndCountOnce)
{
    SKIP_WITHOUT_DISPLAY();
    PasteboardDesktop pasteboard(QGuiApplication::clipboard());

    PasteboardItem item;
    const QByteArray text = "zürich — 東京\n";
    const QByteArray html = "<p>z&uuml;rich</p>";
    const QByteArray custom = QByteArray("\x00\x01raw\xff", 6);
    item.setData(PasteboardTypes::plainText, text);
    item.setData(PasteboardTypes::html, html);
    item.setData(QStringLiteral("application/x-drimo-test"), custom);
    const long long cleared = pasteboard.clearContents();
    ASSERT_TRUE(pasteboard.writeItems({ item }));
    spin(100);
    EXPECT_EQ(pasteboard.changeCount(), cleared) << "the write belongs to the change the clearing made";

    EXPECT_EQ(xclipPaste(QStringLiteral("UTF8_STRING")), text);
    EXPECT_EQ(xclipPaste(QStringLiteral("text/plain;charset=utf-8")), text);
    EXPECT_EQ(xclipPaste(QStringLiteral("text/plain")), text);
    EXPECT_EQ(xclipPaste(QStringLiteral("text/html")), html);
    EXPECT_EQ(xclipPaste(QStringLiteral("application/x-drimo-test")), custom);

    // A promised type is offered with the others, and made only when a client asks for it.
    const QByteArray png = TestImages::png(7, 5);
    PasteboardItem image;
    image.setData(PasteboardTypes::png, png);
    int made = 0;
    image.promise(PasteboardTypes::tiff, std::make_shared<PromisedBytes>([&made] {
        ++made;
        return QByteArray("tiff");
    }));
    pasteboard.clearContents();
    pasteboard.writeItems({ image });
    EXPECT_EQ(pasteboard.types(), (QStringList { PasteboardTypes::png, PasteboardTypes::tiff }));
    EXPECT_TRUE(xclipPaste(QStringLiteral("TARGETS")).value_or(QByteArray()).contains("image/tiff"));
    EXPECT_EQ(xclipPaste(QStringLiteral("image/png")), png);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(xclipPaste(QStringLiteral("image/tiff")), QByteArray("tiff"));
    EXPECT_EQ(xclipPaste(QStringLiteral("image/tiff")), QByteArray("tiff"));
    EXPECT_EQ(made, 1);

    const QUrl first = QUrl::fromLocalFile(QStringLiteral("/tmp/one file.txt"));
    const QUrl second = QUrl::fromLocalFile(QStringLiteral("/tmp/two.txt"));
    pasteboard.clearContents();
    pasteboard.writeUrls({ first, second });
    const auto uris = xclipPaste(QStringLiteral("text/uri-list"));
    ASSERT_TRUE(uris);
    EXPECT_EQ(uris->split('\n').size(), 3) << uris->constData();
    EXPECT_TRUE(uris->startsWith(first.toEncoded() + "\r\n" + second.toEncoded()));

    // Another client's copy after ours counts again, and our next write does not bring ours back.
    const long long ours = pasteboard.changeCount();
    ASSERT_TRUE(xclipCopy(pasteboard, "theirs"));
    EXPECT_EQ(pasteboard.changeCount(), ours + 1);
    ASSERT_TRUE(pasteboard.writeItems({ item }));
    const auto targets = xclipPaste(QStringLiteral("TARGETS"));
    ASSERT_TRUE(targets);
    EXPECT_TRUE(targets->contains("text/html"));
    EXPECT_FALSE(targets->contains("text/uri-list"));
}

TEST(DesktopClipboard, AnOwnerThatNeverAnswersIsGivenUpAndTheNextCopyIsReadAsUsual)
{
    SKIP_WITHOUT_DISPLAY();
    PasteboardDesktop pasteboard(QGuiApplication::clipboard());
    spin(300);
    const long long before = pasteboard.changeCount();
    auto owner = DesktopSession::startSilentOwner(20);
    ASSERT_TRUE(owner);
    ASSERT_TRUE(spinUntil([&] { return pasteboard.changeCount() > before; }));
    // Nothing of the copy is there while it is on its way: a look at it costs nothing and waits for nobody.
    EXPECT_TRUE(pasteboard.types().isEmpty());
    EXPECT_FALSE(PasteboardCapture::read(pasteboard));
    EXPECT_TRUE(spinUntil([&] { return pasteboard.contentsArrived(); }, 4000))
        << "given up within its budget";
    EXPECT_TRUE(pasteboard.types().isEmpty());
    EXPECT_TRUE(pasteboard.items().empty());

    ASSERT_TRUE(xclipCopy(pasteboard, "after the silent one"));
    ASSERT_EQ(pasteboard.items().size(), 1u);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), QByteArray("after the silent one"));
}

TEST(DesktopClipboard, LargeCopiesArriveInPiecesAndOnlyTheFormatsACopyNeedsAreRead)
{
    SKIP_WITHOUT_DISPLAY();
    PasteboardDesktop pasteboard(QGuiApplication::clipboard());
    spin(300);
    // Far beyond what xclip puts in one property, so it sends the text incrementally.
    QByteArray text(3'000'000, 'x');
    text.replace(0, 5, "large");
    ASSERT_TRUE(xclipCopy(pasteboard, text));
    ASSERT_EQ(pasteboard.items().size(), 1u);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), text);

    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("other")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("other") == 5);
    file.close();
    const long long before = pasteboard.changeCount();
    auto owner = DesktopSession::startOffer({ QStringLiteral("text/plain"), file.fileName(),
        QStringLiteral("application/x-drimo-other"), file.fileName() });
    ASSERT_TRUE(owner);
    ASSERT_TRUE(spinUntil([&] { return pasteboard.changeCount() > before && pasteboard.contentsArrived(); }));
    const auto items = pasteboard.items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].data(PasteboardTypes::plainText), QByteArray("other"));
    EXPECT_FALSE(items[0].hasType(QStringLiteral("application/x-drimo-other")));
    EXPECT_TRUE(pasteboard.types().contains(QStringLiteral("application/x-drimo-other")));

    EXPECT_EQ(PasteboardDesktop::formatsToRead({ QStringLiteral("TARGETS"), QStringLiteral("UTF8_STRING"),
                  QStringLiteral("image/tiff"), QStringLiteral("text/plain;charset=utf-8"),
                  QStringLiteral("image/png"), QStringLiteral("image/bmp"), QStringLiteral("text/uri-list"),
                  QStringLiteral("x-kde-passwordManagerHint"), QStringLiteral("text/html") }),
        (QStringList { QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("image/png"),
            QStringLiteral("text/uri-list"), QStringLiteral("x-kde-passwordManagerHint"),
            QStringLiteral("text/html") }));
}

TEST(DesktopClipboard, AReadIsGivenUpWhenTheClipboardChangesHandsOnTheWay)
{
    SKIP_WITHOUT_DISPLAY();
    // Longer than the copy takes, so that only a change of owner can end the read early.
    X11ClipboardReader reader(5000);
    ASSERT_TRUE(reader.isAvailable());
    const auto readAll = [](const QStringList& offered) { return offered.mid(1, 2); };
    std::optional<std::optional<X11ClipboardReader::Contents>> result;
    const auto done
        = [&](std::optional<X11ClipboardReader::Contents> contents) { result = std::move(contents); };

    // Undisturbed, a slow owner's data arrives whole.
    auto first = DesktopSession::startSilentOwner(3, 300);
    ASSERT_TRUE(first);
    reader.read(readAll, done);
    ASSERT_TRUE(spinUntil([&] { return result.has_value(); }));
    ASSERT_TRUE(*result);
    EXPECT_EQ((*result)->offered.mid(1, 2),
        (QStringList { QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("image/png") }));
    ASSERT_EQ((*result)->data.size(), 2u);
    EXPECT_EQ((*result)->data[0].second, QByteArray("late text/plain;charset=utf-8"));
    EXPECT_EQ((*result)->data[1].second, QByteArray("late image/png"));

    // Another copy while the first one's text is still coming: its answer to the next request would be
    // taken for the first one's image.
    result.reset();
    auto second = DesktopSession::startSilentOwner(3, 600);
    ASSERT_TRUE(second);
    reader.read(readAll, done);
    spin(150);
    ASSERT_TRUE(run(QStringLiteral("xclip"),
        { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i") }, "second copy"));
    ASSERT_TRUE(spinUntil([&] { return result.has_value(); }, 8000));
    EXPECT_FALSE(*result) << "stitched: " << ((*result) ? (*result)->data.back().second.constData() : "");
}
