#include "Clipboard/Paster.h"
#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/PasteboardCapture.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/KeyboardEventsSimulated.h"
#include "Platform/Simulated/PasteboardSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"

#include "TestSupport/TemporaryHome.h"
#include "TestSupport/TestImages.h"
#include "TestSupport/UserCopies.h"

#include <QFile>
#include <QImage>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

class PasterTest : public ::testing::Test {
protected:
    PasterTest()
        : history(home.file(QStringLiteral("History")), scheduler)
    { }

    const ClipboardItem& record(
        ClipboardItem::Kind kind, std::vector<std::vector<PasteboardCapture::Representation>> items)
    {
        PasteboardCapture capture;
        capture.kind = kind;
        capture.preview = QStringLiteral("p");
        capture.items = std::move(items);
        capture.fingerprint = QString::number(++m_counter);
        history.add(capture, std::nullopt);
        return history.items()[0];
    }
    QStringList types(std::size_t item) const
    {
        QStringList result;
        const auto items = pasteboard.items();
        for (const auto& [type, data] : items.at(item).representations)
            result.append(type);
        return result;
    }

    TemporaryHome home;
    VirtualScheduler scheduler;
    ClipboardHistory history;
    PasteboardSimulated pasteboard;
    int m_counter = 0;
};

} // namespace

TEST_F(PasterTest, TextAndImageEntriesComeBackAsCopiedWithATiffAfterEachPng)
{
    const QByteArray png = TestImages::png(5, 4);
    const ClipboardItem text = record(ClipboardItem::Kind::Text,
        { { { PasteboardTypes::plainText, "hi" }, { PasteboardTypes::rtf, "{\\rtf1 hi}" },
            { PasteboardTypes::png, png } } });
    const auto count = Paster::write(text, history, pasteboard);
    ASSERT_TRUE(count);
    EXPECT_EQ(*count, pasteboard.changeCount());
    ASSERT_EQ(pasteboard.items().size(), 1u);
    EXPECT_EQ(types(0),
        (QStringList {
            PasteboardTypes::plainText, PasteboardTypes::rtf, PasteboardTypes::png, PasteboardTypes::tiff }));
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::rtf), QByteArray("{\\rtf1 hi}"));
    const QImage tiff = QImage::fromData(*pasteboard.items()[0].data(PasteboardTypes::tiff), "TIFF");
    EXPECT_EQ(tiff.size(), QSize(5, 4));

    // An entry that lost one of its files still restores the rest.
    const ClipboardItem partial = record(ClipboardItem::Kind::Text,
        { { { PasteboardTypes::plainText, "a" }, { PasteboardTypes::html, "<i>a</i>" } } });
    QFile::remove(history.entryFolder(partial) + QStringLiteral("/0-0"));
    ASSERT_TRUE(Paster::write(partial, history, pasteboard));
    EXPECT_EQ(types(0), QStringList { PasteboardTypes::html });
}

TEST_F(PasterTest, EntriesWithNothingReadableLeaveTheClipboardAlone)
{
    const ClipboardItem text
        = record(ClipboardItem::Kind::Text, { { { PasteboardTypes::plainText, "gone" } } });
    const ClipboardItem files
        = record(ClipboardItem::Kind::Files, { { { PasteboardTypes::fileUrl, "file:///a" } } });
    const ClipboardItem empty = record(ClipboardItem::Kind::Image, {});
    QFile::remove(history.entryFolder(text) + QStringLiteral("/0-0"));
    TemporaryHome::writeFile(history.entryFolder(files) + QStringLiteral("/0-0"), "\xff not utf-8");

    copyText(pasteboard, "what the user copied");
    const long long before = pasteboard.changeCount();
    for (const ClipboardItem* item : { &text, &files, &empty })
        EXPECT_FALSE(Paster::write(*item, history, pasteboard));
    EXPECT_EQ(pasteboard.changeCount(), before);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::plainText), QByteArray("what the user copied"));
}

TEST_F(PasterTest, FileEntriesRestoreOneUrlPerReadableItem)
{
    const ClipboardItem files = record(ClipboardItem::Kind::Files,
        { { { PasteboardTypes::fileUrl, "file:///Users/me/a.txt" } },
            { { PasteboardTypes::fileUrl, "file:///Users/me/b%20b.pdf" } } });
    ASSERT_TRUE(Paster::write(files, history, pasteboard));
    ASSERT_EQ(pasteboard.items().size(), 2u);
    EXPECT_EQ(pasteboard.items()[1].data(PasteboardTypes::fileUrl), QByteArray("file:///Users/me/b%20b.pdf"));

    QFile::remove(history.entryFolder(files) + QStringLiteral("/0-0"));
    ASSERT_TRUE(Paster::write(files, history, pasteboard));
    ASSERT_EQ(pasteboard.items().size(), 1u);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::fileUrl), QByteArray("file:///Users/me/b%20b.pdf"));
}

TEST_F(PasterTest, CopyImageAddsTiffOnlyForRealImages)
{
    Paster::copyImage(TestImages::png(3, 3), pasteboard);
    EXPECT_EQ(types(0), (QStringList { PasteboardTypes::png, PasteboardTypes::tiff }));
    Paster::copyImage("not an image", pasteboard);
    ASSERT_EQ(pasteboard.items().size(), 1u);
    EXPECT_EQ(types(0), QStringList { PasteboardTypes::png });
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::png), QByteArray("not an image"));
}

// The marked Command-V reaching the application in front is the paste road scenario's.
TEST(Paster, APressThatCannotBePostedPostsNothing)
{
    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboard(workspace);
    keyboard.setPostingFails(true);
    Paster::press(KeyCodes::v, keyboard);
    EXPECT_TRUE(keyboard.deliveries().empty()) << "nothing half-posted";
}

TEST(Paster, TerminalsGetTheChordTheyPasteWith)
{
    using Paster::PasteChord;
    const PasteChord plain { KeyCodes::v, EventFlags::command, false };
    const PasteChord terminal { KeyCodes::v, EventFlags::command | EventFlags::shift, false };
    const PasteChord selection { KeyCodes::help, EventFlags::shift, true };
    EXPECT_EQ(Paster::pasteChord(std::nullopt), plain);
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("com.apple.TextEdit")), plain);
    EXPECT_EQ(Paster::pasteChord(QString()), plain);
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("Gnome-terminal")), terminal);
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("st-256color")), terminal);
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("xfce4-terminal")), terminal) << "case does not matter";
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("XTerm")), selection);
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("URxvt")), selection);
    EXPECT_EQ(Paster::pasteChord(QStringLiteral("XTerminal")), plain) << "whole names only";

    WorkspaceSimulated workspace;
    KeyboardEventsSimulated keyboard(workspace);
    Paster::press(selection, keyboard);
    ASSERT_EQ(keyboard.deliveries().size(), 2u);
    EXPECT_EQ(keyboard.deliveries()[0].event.keyCode, KeyCodes::help);
    EXPECT_EQ(keyboard.deliveries()[1].event.flags, EventFlags::shift);
    EXPECT_EQ(keyboard.deliveries()[1].event.userData, Paster::syntheticMarker);
}

TEST_F(PasterTest, LargeImagesPasteBackWithTiffAndFilesOtherThanOursAreNotWaitedOn)
{
    const ClipboardItem large = record(
        ClipboardItem::Kind::Image, { { { PasteboardTypes::png, TestImages::flat(6000, 6000, "PNG") } } });
    ASSERT_TRUE(Paster::write(large, history, pasteboard));
    EXPECT_EQ(types(0), (QStringList { PasteboardTypes::png, PasteboardTypes::tiff }));

    // A FIFO in place of a data file would block a plain read until someone writes to it.
    const ClipboardItem text = record(ClipboardItem::Kind::Text,
        { { { PasteboardTypes::plainText, "a" }, { PasteboardTypes::html, "<i>a</i>" } } });
    const QString data = history.entryFolder(text) + QStringLiteral("/0-0");
    QFile::remove(data);
    ASSERT_EQ(::mkfifo(QFile::encodeName(data).constData(), 0600), 0);
    ASSERT_TRUE(Paster::write(text, history, pasteboard));
    EXPECT_EQ(types(0), QStringList { PasteboardTypes::html });
}
