#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/HistoryIndex.h"
#include "Clipboard/PasteboardCapture.h"
#include "Foundation/Uuid.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"

#include "TestSupport/Captures.h"
#include "TestSupport/FileSizeLimit.h"
#include "TestSupport/HistoryPreviews.h"
#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class ClipboardHistoryTest : public ::testing::Test {
protected:
    QString historyDir() const
    {
        return m_home.file(QStringLiteral("Application Support/com.drimo.copy/History"));
    }
    std::unique_ptr<ClipboardHistory> open()
    {
        return std::make_unique<ClipboardHistory>(historyDir(), m_clock);
    }
    QStringList folders() const
    {
        return QDir(historyDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    QByteArray index() const { return TemporaryHome::readFile(historyDir() + QStringLiteral("/index.json")); }

    TemporaryHome m_home;
    VirtualScheduler m_clock;
};

PasteboardCapture imageCapture()
{
    PasteboardCapture capture;
    capture.kind = ClipboardItem::Kind::Image;
    capture.preview = QStringLiteral("Изображение 2×1");
    capture.items
        = { { { QStringLiteral("public.utf8-plain-text"), "alt" }, { QStringLiteral("public.png"), "PNG" } },
              { { QStringLiteral("public.rtf"), "second item" } } };
    capture.fingerprint = PasteboardCapture::fingerprintOf(capture.kind, "PNG");
    capture.thumbnail = QByteArray("THUMB");
    return capture;
}

} // namespace

TEST_F(ClipboardHistoryTest, ThumbnailsComeFromTheEntryFolder)
{
    auto history = open();
    history->add(Captures::text(QStringLiteral("text")), std::nullopt);
    const auto entry = history->items()[0];
    EXPECT_FALSE(history->thumbnail(entry));
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = history->entryFolder(entry) + QStringLiteral("/thumb.png");
    ASSERT_TRUE(image.save(path));
    const auto thumbnail = history->thumbnail(entry);
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->size(), QSize(8, 6));

    // A FIFO in place of the thumbnail would hang the picker as it opens.
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_FALSE(history->thumbnail(entry));
}

TEST_F(ClipboardHistoryTest, AddStoresRawDataAndACompactIndexThatReadsBackIdentically)
{
    auto history = open();
    EXPECT_EQ(QFileInfo(historyDir()).permissions() & 0x7777,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
            | QFileDevice::WriteUser | QFileDevice::ExeUser);
    EXPECT_EQ(history->limit(), 15);

    m_clock.advance(0.123456789);
    history->add(imageCapture(), QStringLiteral("com.apple.Preview"));
    history->add(Captures::text(QStringLiteral("  first\n\"line\" ")), std::nullopt);
    ASSERT_EQ(history->items().size(), 2u);

    const ClipboardItem& image = history->items()[1];
    EXPECT_EQ(image.id, image.id.toUpper());
    const QString folder = historyDir() + u'/' + image.id;
    EXPECT_EQ(TemporaryHome::readFile(folder + QStringLiteral("/0-0")), "alt");
    EXPECT_EQ(TemporaryHome::readFile(folder + QStringLiteral("/0-1")), "PNG");
    EXPECT_EQ(TemporaryHome::readFile(folder + QStringLiteral("/1-0")), "second item");
    EXPECT_EQ(TemporaryHome::readFile(folder + QStringLiteral("/thumb.png")), "THUMB");
    EXPECT_EQ(image.itemTypes,
        (QList<QStringList> { { QStringLiteral("public.utf8-plain-text"), QStringLiteral("public.png") },
            { QStringLiteral("public.rtf") } }));
    EXPECT_FALSE(
        QFileInfo::exists(historyDir() + u'/' + history->items()[0].id + QStringLiteral("/thumb.png")));

    const QByteArray stored = index();
    EXPECT_FALSE(stored.contains('\n')) << "compact";
    EXPECT_FALSE(stored.contains(": "));
    const auto json = nlohmann::ordered_json::parse(stored.toStdString());
    std::vector<std::string> keys;
    for (const auto& [key, value] : json[1].items())
        keys.push_back(key);
    EXPECT_EQ(keys,
        (std::vector<std::string> {
            "id", "date", "kind", "preview", "itemTypes", "fingerprint", "sourceBundleID" }));
    EXPECT_FALSE(json[0].contains("sourceBundleID")) << "left out when absent";
    EXPECT_EQ(json[1]["kind"], "image");
    EXPECT_DOUBLE_EQ(json[1]["date"].get<double>(), VirtualScheduler::defaultStartDate + 0.123456789);

    const auto reopened = open();
    EXPECT_EQ(reopened->items(), history->items()) << "dates, ids and the absent source read back exactly";
}

TEST_F(ClipboardHistoryTest, RepeatedCopyMovesEntryToTopKeepingIdFilesAndSource)
{
    auto history = open();
    history->add(Captures::text(QStringLiteral("a")), QStringLiteral("com.apple.TextEdit"));
    m_clock.advance(1);
    history->add(Captures::text(QStringLiteral("b")), QStringLiteral("com.apple.Safari"));
    const ClipboardItem first = history->items()[1];
    m_clock.advance(1);
    history->add(Captures::text(QStringLiteral("a")), QStringLiteral("com.apple.Notes"));

    ASSERT_EQ(history->items().size(), 2u);
    const ClipboardItem& top = history->items()[0];
    EXPECT_EQ(top.id, first.id);
    EXPECT_EQ(top.sourceBundleID, QStringLiteral("com.apple.TextEdit"));
    EXPECT_DOUBLE_EQ(top.date, VirtualScheduler::defaultStartDate + 2);
    EXPECT_EQ(folders().size(), 2);
    EXPECT_EQ(open()->items()[0].id, first.id) << "the move was saved";
}

TEST_F(ClipboardHistoryTest, LimitTrimsTheOldestEntriesAndTheirFolders)
{
    // A sixth copy pushing the oldest out, files and all, is the trim scenario's.
    auto history = open();
    history->apply(HistoryLimit::All);
    for (int i = 1; i <= 13; ++i)
        history->add(Captures::text(QString::number(i)), std::nullopt);
    EXPECT_EQ(history->items().size(), 13u);
    EXPECT_FALSE(history->limit());

    history->apply(HistoryLimit::Five);
    EXPECT_EQ(previewsOf(*history), (QStringList { u"13"_qs, u"12"_qs, u"11"_qs, u"10"_qs, u"9"_qs }));
    EXPECT_EQ(folders().size(), 5);
    EXPECT_EQ(open()->items().size(), 5u);

    history->apply(HistoryLimit::All);
    EXPECT_EQ(history->items().size(), 5u) << "nothing comes back";

    QFile::remove(historyDir() + QStringLiteral("/index.json"));
    history->apply(HistoryLimit::Fifteen);
    EXPECT_FALSE(index().isEmpty()) << "apply saves even when nothing was trimmed";
}

TEST_F(ClipboardHistoryTest, OperationsOnEntriesNoLongerListedChangeNothing)
{
    auto history = open();
    history->add(Captures::text(QStringLiteral("kept")), std::nullopt);
    history->add(Captures::text(QStringLiteral("gone")), std::nullopt);
    const ClipboardItem gone = history->items()[0];
    history->remove(gone);
    EXPECT_EQ(previewsOf(*history), QStringList { u"kept"_qs });
    EXPECT_FALSE(QFileInfo::exists(historyDir() + u'/' + gone.id));

    QFile::remove(historyDir() + QStringLiteral("/index.json"));
    QSignalSpy changed(history.get(), &ClipboardHistory::listChanged);
    QSignalSpy aboutToChange(history.get(), &ClipboardHistory::listAboutToChange);
    history->remove(gone);
    history->touch(gone);
    EXPECT_TRUE(index().isEmpty()) << "no save";
    EXPECT_EQ(changed.count(), 0);

    m_clock.advance(5);
    history->touch(history->items()[0]);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(aboutToChange.count(), 1);
    EXPECT_DOUBLE_EQ(history->items()[0].date, VirtualScheduler::defaultStartDate + 5);
    EXPECT_FALSE(index().isEmpty());
}

TEST_F(ClipboardHistoryTest, LoadKeepsFileOrderAndDropsEntriesWithoutFolders)
{
    {
        auto history = open();
        for (const char* text : { "old", "middle", "new" }) {
            m_clock.advance(1);
            history->add(Captures::text(QString::fromUtf8(text)), std::nullopt);
        }
    }
    // Reverse the dates in the file: order must still follow the file, not the dates.
    auto items = *HistoryIndex::decode(index());
    std::swap(items[0].date, items[2].date);
    TemporaryHome::writeFile(historyDir() + QStringLiteral("/index.json"), HistoryIndex::encode(items));
    QDir(historyDir() + u'/' + items[1].id).removeRecursively();
    QDir(historyDir()).mkdir(QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E")); // a stray folder

    const QByteArray before = index();
    auto history = open();
    EXPECT_EQ(previewsOf(*history), (QStringList { u"new"_qs, u"old"_qs }));
    EXPECT_EQ(index(), before) << "loading does not rewrite the index";
    EXPECT_TRUE(QFileInfo::exists(historyDir() + QStringLiteral("/0F8FAD5B-D9CB-469F-A165-70867728950E")));
    history->clear();
    EXPECT_EQ(index(), "[]");
    EXPECT_EQ(folders(), QStringList { u"0F8FAD5B-D9CB-469F-A165-70867728950E"_qs })
        << "only its own folders go";
}

TEST_F(ClipboardHistoryTest, UnreadableIndexGivesEmptyHistoryAndNeverEscapesTheFolder)
{
    const QString victim = m_home.file(QStringLiteral("victim"));
    QDir().mkpath(victim);
    TemporaryHome::writeFile(victim + QStringLiteral("/precious"), "keep me");
    QDir().mkpath(historyDir());

    const std::string valid
        = R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","date":1.5,"kind":"text","preview":"p","itemTypes":[["public.utf8-plain-text"]],"fingerprint":"f"})";
    const std::vector<QByteArray> unreadable {
        QByteArray(),
        QByteArray("[") + QByteArray::fromStdString(valid).left(40),
        QByteArray("[\"\xff\xfe\"]"),
        QByteArray("{}"),
        QByteArray::fromStdString("[" + valid
            + R"(,{"id":"../../victim","date":1,"kind":"text","preview":"","itemTypes":[],"fingerprint":""}])"),
        QByteArray::fromStdString("[" + valid
            + R"(,{"id":"0F8FAD5B-D9CB-469F-A165-70867728950F","date":1,"kind":"video","preview":"","itemTypes":[],"fingerprint":""}])"),
        QByteArray::fromStdString("[" + valid
            + R"(,{"id":"0F8FAD5B-D9CB-469F-A165-70867728950F","date":1,"kind":"text","itemTypes":[],"fingerprint":""}])"),
        QByteArray::fromStdString(
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","date":"x","kind":"text","preview":"p","itemTypes":[],"fingerprint":"f"}])"),
        QByteArray::fromStdString(
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","date":1,"kind":"text","preview":"p","itemTypes":[[1]],"fingerprint":"f"}])"),
        QByteArray::fromStdString(
            R"([{"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","date":1,"kind":"text","preview":"p","itemTypes":[],"fingerprint":"f","sourceBundleID":7}])"),
        QByteArray(100000, '['),
    };
    QDir().mkpath(historyDir() + QStringLiteral("/0F8FAD5B-D9CB-469F-A165-70867728950E"));
    for (const QByteArray& bytes : unreadable) {
        ASSERT_TRUE(TemporaryHome::writeFile(historyDir() + QStringLiteral("/index.json"), bytes));
        auto history = open();
        EXPECT_TRUE(history->items().empty()) << bytes.left(80).toStdString();
        history->clear();
    }
    EXPECT_EQ(TemporaryHome::readFile(victim + QStringLiteral("/precious")), "keep me");

    TemporaryHome::writeFile(historyDir() + QStringLiteral("/index.json"), "garbage");
    auto history = open();
    history->add(Captures::text(QStringLiteral("fresh")), std::nullopt);
    auto reread = HistoryIndex::decode(index());
    ASSERT_TRUE(reread);
    ASSERT_EQ(reread->size(), 1u);
    EXPECT_EQ((*reread)[0].preview, QStringLiteral("fresh"));

    // A lower-case id is a UUID all the same; it is read in its canonical form.
    const auto lower = HistoryIndex::decode(QByteArray::fromStdString(
        R"([{"id":"0f8fad5b-d9cb-469f-a165-70867728950e","date":1,"kind":"files","preview":"p","itemTypes":[],"fingerprint":"f","sourceBundleID":null}])"));
    ASSERT_TRUE(lower);
    EXPECT_EQ((*lower)[0].id, QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    EXPECT_FALSE((*lower)[0].sourceBundleID);
}

TEST_F(ClipboardHistoryTest, FailedWriteLeavesNoPartialEntryAndRecordsNothing)
{
    auto history = open();
    history->add(Captures::text(QStringLiteral("before")), std::nullopt);
    const QByteArray indexBefore = index();

    // A file-size limit makes the second data file fail half-way, like a full disk, even for root.
    PasteboardCapture big = Captures::text(QStringLiteral("small"));
    big.items[0].push_back({ QStringLiteral("public.rtf"), QByteArray(64 * 1024, 'r') });
    big.fingerprint = QStringLiteral("big");
    {
        const FileSizeLimit full(16 * 1024);
        ASSERT_TRUE(full.active());
        history->add(big, std::nullopt);
    }

    EXPECT_EQ(previewsOf(*history), QStringList { u"before"_qs });
    EXPECT_EQ(folders().size(), 1);
    EXPECT_EQ(index(), indexBefore);

    // The history folder vanishing under us is a failure too, not a crash.
    QDir(historyDir()).removeRecursively();
    TemporaryHome::writeFile(historyDir(), "a file where the folder was");
    history->add(Captures::text(QStringLiteral("nowhere")), std::nullopt);
    EXPECT_EQ(previewsOf(*history), QStringList { u"before"_qs });
}

TEST_F(ClipboardHistoryTest, TrimmingAnEntryWhoseFolderBecameALinkRemovesOnlyTheLink)
{
    const QString victim = m_home.file(QStringLiteral("victim"));
    QDir().mkpath(victim);
    TemporaryHome::writeFile(victim + QStringLiteral("/precious"), "keep me");

    auto history = open();
    history->apply(HistoryLimit::Five);
    for (int i = 1; i <= 5; ++i)
        history->add(Captures::text(QString::number(i)), std::nullopt);
    const auto swapForLink = [&](const ClipboardItem& item) {
        const QString folder = history->entryFolder(item);
        ASSERT_TRUE(QDir(folder).removeRecursively());
        ASSERT_TRUE(QFile::link(victim, folder));
    };
    const ClipboardItem oldest = history->items().back();
    swapForLink(oldest);
    history->add(Captures::text(QStringLiteral("6")), std::nullopt);
    EXPECT_FALSE(QFileInfo(history->entryFolder(oldest)).isSymLink());

    const ClipboardItem newest = history->items().front();
    swapForLink(newest);
    history->remove(newest);
    EXPECT_FALSE(QFileInfo(history->entryFolder(newest)).isSymLink());

    swapForLink(history->items().front());
    history->clear();
    EXPECT_EQ(TemporaryHome::readFile(victim + QStringLiteral("/precious")), "keep me");
    EXPECT_EQ(folders(), QStringList());
}

TEST_F(ClipboardHistoryTest, UnreadableIndexIsSetAsideWithItsFoldersBeforeAnythingReplacesIt)
{
    QStringList listed;
    {
        auto history = open();
        history->add(Captures::text(QStringLiteral("one")), std::nullopt);
        history->add(Captures::text(QStringLiteral("two")), std::nullopt);
        for (const ClipboardItem& item : history->items())
            listed.append(item.id);
    }
    listed.sort();
    const QString indexPath = historyDir() + QStringLiteral("/index.json");
    const QString asidePath = indexPath + QStringLiteral(".unreadable");
    const QByteArray truncated = index().chopped(1);
    TemporaryHome::writeFile(indexPath, truncated);

    auto history = open();
    EXPECT_TRUE(history->items().empty());
    EXPECT_EQ(index(), truncated) << "loading writes nothing";
    history->apply(HistoryLimit::Fifteen);
    EXPECT_EQ(TemporaryHome::readFile(asidePath), truncated);
    EXPECT_EQ(index(), "[]");
    EXPECT_EQ(folders(), listed) << "the folders it names are kept with it";
    history->add(Captures::text(QStringLiteral("three")), std::nullopt);
    EXPECT_EQ(TemporaryHome::readFile(asidePath), truncated)
        << "set aside once, not overwritten by the next save";

    // A FIFO in place of the index neither hangs the start nor stays in the way.
    QFile::remove(indexPath);
    ASSERT_EQ(::mkfifo(QFile::encodeName(indexPath).constData(), 0600), 0);
    history = open();
    EXPECT_TRUE(history->items().empty());
    history->add(Captures::text(QStringLiteral("four")), std::nullopt);
    EXPECT_EQ(previewsOf(*history), QStringList { u"four"_qs });
    EXPECT_EQ(previewsOf(*open()), QStringList { u"four"_qs });
}

TEST_F(ClipboardHistoryTest, AnAddWhoseIndexCannotBeWrittenLeavesNothing)
{
    const QString indexPath = historyDir() + QStringLiteral("/index.json");
    QDir().mkpath(indexPath + QStringLiteral("/inside"));
    auto history = open();
    QSignalSpy changed(history.get(), &ClipboardHistory::listChanged);
    history->add(Captures::text(QStringLiteral("lost")), std::nullopt);
    history->add(imageCapture(), std::nullopt);
    EXPECT_TRUE(history->items().empty());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(folders(), QStringList { u"index.json"_qs }) << "no entry folder, staged or not";
    EXPECT_TRUE(QFileInfo::exists(indexPath + QStringLiteral("/inside"))) << "a folder is never set aside";
}

// A history too long to read at once: what it is listed as in the end, whatever happened meanwhile, is what
// it would have been had it been read whole first.
TEST_F(ClipboardHistoryTest, ALongHistoryListedInTwoStepsEndsAsIfReadWhole)
{
    std::vector<ClipboardItem> written;
    for (int n = 0; n < 400; ++n) {
        ClipboardItem item;
        item.id = Uuid::create();
        item.date = 1000 - n;
        item.preview = QStringLiteral("запись %1 ").arg(n).repeated(60);
        item.itemTypes = { { QStringLiteral("public.utf8-plain-text") } };
        item.fingerprint = PasteboardCapture::fingerprintOf(ClipboardItem::Kind::Text, item.preview.toUtf8());
        written.push_back(item);
    }
    // In the rest: one with an id the start lists, and an entry without its folder.
    written[301].id = written[2].id;
    for (const ClipboardItem& item : written)
        QDir().mkpath(historyDir() + u'/' + item.id);
    QDir(historyDir() + u'/' + written[300].id).removeRecursively();
    const auto writeIndex = [&] {
        TemporaryHome::writeFile(historyDir() + QStringLiteral("/index.json"), HistoryIndex::encode(written));
    };
    auto expected = QList<ClipboardItem>(written.begin(), written.end());
    expected.remove(300, 2);
    writeIndex();

    {
        const QByteArray before = index();
        auto history = open();
        EXPECT_LT(history->items().size(), 300);
        EXPECT_EQ(history->items(), expected.first(history->items().size()));
        history->flush();
        EXPECT_EQ(history->items(), expected);
        EXPECT_EQ(index(), before) << "loading does not rewrite the index";
    }

    // A copy waits for the rest, where it may be listed already, and what is asked after it waits with it.
    {
        auto history = open();
        const qsizetype head = history->items().size();
        m_clock.advance(10);
        history->add(Captures::text(expected[350].preview), std::nullopt);
        history->touch(expected[5]);
        EXPECT_EQ(history->items().size(), head);
        history->flush();
        ASSERT_EQ(history->items().size(), expected.size());
        EXPECT_EQ(history->items()[0].id, expected[5].id);
        EXPECT_EQ(history->items()[1].id, expected[350].id);
        history->remove(history->items()[1]);
    }
    {
        auto history = open();
        history->apply(HistoryLimit::All);
        history->add(Captures::text(QStringLiteral("new")), std::nullopt);
        history->flush();
        EXPECT_EQ(history->items().size(), expected.size());
        EXPECT_EQ(TemporaryHome::readFile(history->entryFolder(history->items()[0]) + QStringLiteral("/0-0")),
            "new");
        history->remove(history->items()[0]);
    }

    // A touch, a removal and a limit before the rest is listed.
    writeIndex();
    {
        auto history = open();
        history->touch(expected[5]);
        history->remove(expected[0]);
        history->apply(HistoryLimit::Fifteen);
        EXPECT_EQ(history->items().size(), 15);
        QList<ClipboardItem> ended = expected.sliced(1, 15);
        ended.move(4, 0);
        history->flush();
        ended[0].date = m_clock.currentDate();
        ASSERT_EQ(history->items(), ended);
        EXPECT_EQ(*HistoryIndex::decode(index()), std::vector(ended.begin(), ended.end()));
        EXPECT_EQ(folders().size(), 15);
    }

    // A clear takes the rest too.
    writeIndex();
    {
        auto history = open();
        history->clear();
        history->flush();
        EXPECT_TRUE(history->items().empty());
        EXPECT_EQ(index(), "[]");
        EXPECT_TRUE(folders().isEmpty());
    }

    // An index whose rest is unreadable is unreadable whole: its start goes too, and nothing is removed.
    for (const ClipboardItem& item : written)
        QDir().mkpath(historyDir() + u'/' + item.id);
    written[390].kind = ClipboardItem::Kind::Files;
    QByteArray spoilt = HistoryIndex::encode(written);
    spoilt.replace("\"files\"", "\"video\"");
    TemporaryHome::writeFile(historyDir() + QStringLiteral("/index.json"), spoilt);
    {
        auto history = open();
        EXPECT_FALSE(history->items().isEmpty());
        QSignalSpy changed(history.get(), &ClipboardHistory::listChanged);
        history->flush();
        EXPECT_TRUE(history->items().isEmpty());
        EXPECT_EQ(changed.size(), 1);
        EXPECT_EQ(index(), spoilt);
        EXPECT_EQ(folders().size(), 399);
    }
}

TEST_F(ClipboardHistoryTest, DuplicateIdsKeepTheFirstEntryAndItsFolder)
{
    {
        auto history = open();
        history->add(Captures::text(QStringLiteral("first")), std::nullopt);
        history->add(Captures::text(QStringLiteral("other")), std::nullopt);
    }
    auto items = *HistoryIndex::decode(index());
    ClipboardItem duplicate = items[1];
    duplicate.preview = QStringLiteral("duplicate");
    duplicate.fingerprint = QStringLiteral("d");
    items.push_back(duplicate);
    TemporaryHome::writeFile(historyDir() + QStringLiteral("/index.json"), HistoryIndex::encode(items));

    auto history = open();
    EXPECT_EQ(previewsOf(*history), (QStringList { u"other"_qs, u"first"_qs }));
    history->apply(HistoryLimit::Five);
    for (int i = 1; i <= 3; ++i)
        history->add(Captures::text(QString::number(i)), std::nullopt);
    EXPECT_EQ(folders().size(), 5);
    EXPECT_EQ(TemporaryHome::readFile(history->entryFolder(history->items().back()) + QStringLiteral("/0-0")),
        "first");
}

TEST_F(ClipboardHistoryTest, EntriesAreStagedAndOnlyLeftoverStagingFoldersAreRemovedAtStart)
{
    const QString victim = m_home.file(QStringLiteral("victim"));
    QDir().mkpath(victim);
    TemporaryHome::writeFile(victim + QStringLiteral("/precious"), "keep me");
    QDir().mkpath(historyDir());
    const QString leftover = historyDir() + QStringLiteral("/.staging-0F8FAD5B-D9CB-469F-A165-70867728950E");
    QDir().mkpath(leftover);
    TemporaryHome::writeFile(leftover + QStringLiteral("/0-0"), QByteArray(1000, 'p'));
    const QString linked = historyDir() + QStringLiteral("/.staging-1F8FAD5B-D9CB-469F-A165-70867728950E");
    ASSERT_TRUE(QFile::link(victim, linked));
    const QStringList others { u".staging-notanid"_qs, u".staging-0f8fad5b-d9cb-469f-a165-70867728950e"_qs,
        u"staging-2F8FAD5B-D9CB-469F-A165-70867728950E"_qs, u"2F8FAD5B-D9CB-469F-A165-70867728950E"_qs };
    for (const QString& name : others)
        QDir(historyDir()).mkdir(name);

    auto history = open();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_FALSE(QFileInfo(linked).isSymLink());
    EXPECT_EQ(TemporaryHome::readFile(victim + QStringLiteral("/precious")), "keep me");
    for (const QString& name : others)
        EXPECT_TRUE(QFileInfo::exists(historyDir() + u'/' + name)) << name.toStdString();

    history->add(imageCapture(), std::nullopt);
    const QStringList hidden = QDir(historyDir()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(hidden.filter(QStringLiteral(".staging-")).size(), 2) << "only the two that were not ours";
    EXPECT_TRUE(hidden.contains(history->items()[0].id));
}

TEST_F(ClipboardHistoryTest, SavedFromAWorkerTheIndexAndFoldersEndAsIfSavedAtOnce)
{
    auto history
        = std::make_unique<ClipboardHistory>(historyDir(), m_clock, nullptr, HistorySaver::Mode::Background);
    history->apply(HistoryLimit::Five);
    for (int i = 1; i <= 7; ++i)
        history->add(Captures::text(QString::number(i)), std::nullopt);
    const ClipboardItem removed = history->items()[1];
    history->remove(removed);
    m_clock.advance(3);
    history->touch(history->items().back());
    history->flush();
    EXPECT_EQ(HistoryIndex::decode(index()), std::vector(history->items().begin(), history->items().end()));
    QStringList ids;
    for (const ClipboardItem& item : history->items())
        ids.append(item.id);
    ids.sort();
    EXPECT_EQ(folders(), ids) << "the trimmed and the removed entries' folders are gone";

    // What is still queued when the history goes is written before it has gone.
    history->add(Captures::text(QStringLiteral("last")), std::nullopt);
    const QList<ClipboardItem> before = history->items();
    history.reset();
    EXPECT_EQ(open()->items(), before);
}

TEST_F(ClipboardHistoryTest, ALargeTextHashedWhileItsFilesAreWrittenIsRecordedAndRecognisedAsAnyOther)
{
    auto history = open();
    PasteboardSimulated pasteboard;
    QByteArray large(PasteboardCapture::hashLaterBytes + 3, 'x');
    large[0] = 'L';
    PasteboardItem copied;
    copied.setData(PasteboardTypes::plainText, large);
    pasteboard.userCopy({ copied });
    const auto taken = PasteboardCapture::take(pasteboard);
    auto capture = PasteboardCapture::of(*taken);
    ASSERT_TRUE(capture && capture->hashPending());
    history->add(*capture, std::nullopt);
    ASSERT_EQ(history->items().size(), 1u);
    EXPECT_EQ(
        history->items()[0].fingerprint, PasteboardCapture::fingerprintOf(ClipboardItem::Kind::Text, large));
    EXPECT_EQ(
        TemporaryHome::readFile(history->entryFolder(history->items()[0]) + QStringLiteral("/0-0")), large);
    EXPECT_EQ(HistoryIndex::decode(index()), std::vector(history->items().begin(), history->items().end()));

    // The same copy again only moves its entry: the files written while it was hashed go again.
    history->add(Captures::text(QStringLiteral("between")), std::nullopt);
    history->add(*PasteboardCapture::of(*taken), std::nullopt);
    EXPECT_EQ(previewsOf(*history).size(), 2);
    EXPECT_EQ(
        history->items()[0].fingerprint, PasteboardCapture::fingerprintOf(ClipboardItem::Kind::Text, large));
    EXPECT_EQ(QDir(historyDir()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}
