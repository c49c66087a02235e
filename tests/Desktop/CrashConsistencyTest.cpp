#include "Clipboard/HistoryIndex.h"
#include "Desktop/DesktopSession.h"
#include "Desktop/RunningApp.h"
#include "TestSupport/TestImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <random>

using DesktopSession::run;
using DesktopSession::spin;

namespace {

QByteArray png(int n)
{
    QImage image(64 + n % 50, 48, QImage::Format_RGB32);
    image.fill(qRgb(n * 37 % 256, n * 91 % 256, 80));
    return TestImages::encoded(image);
}

// Starts xclip owning the clipboard with `bytes` and returns at once: a large copy is still being
// transferred when the program is killed.
void copyInBackground(const QByteArray& bytes, const QString& target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
        { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i"),
            QStringLiteral("-t"), target });
    if (!xclip.waitForStarted(3000))
        return;
    xclip.write(bytes);
    xclip.closeWriteChannel();
    // xclip forks to serve the selection once it has read everything.
    xclip.waitForFinished(10000);
}

// What the store promises across any kill: the index parses, every listed entry has all its files, and
// no half-written entry is left under a staging name.
void expectConsistent(const RunningApp& app, const QSet<QString>& recordedBefore, int cycle)
{
    const auto items = app.index();
    ASSERT_TRUE(items) << "cycle " << cycle << ": the index does not parse";
    QSet<QString> listed;
    for (const ClipboardItem& item : *items) {
        listed.insert(item.id);
        const QString folder = app.historyFolder() + u'/' + item.id;
        for (qsizetype i = 0; i < item.itemTypes.size(); ++i)
            for (qsizetype j = 0; j < item.itemTypes[i].size(); ++j)
                EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/%1-%2").arg(i).arg(j)).isFile())
                    << "cycle " << cycle << ": " << item.id.toStdString() << " lost a file";
    }
    for (const QString& id : recordedBefore)
        EXPECT_TRUE(listed.contains(id)) << "cycle " << cycle << ": " << id.toStdString() << " was lost";
    const QStringList staging
        = QDir(app.historyFolder())
              .entryList({ QStringLiteral(".staging-*") }, QDir::AllEntries | QDir::Hidden);
    EXPECT_EQ(staging, QStringList()) << "cycle " << cycle;
}

int cycles()
{
    bool ok = false;
    const int requested = qEnvironmentVariableIntValue("DRIMO_CRASH_CYCLES", &ok);
    return ok && requested > 0 ? requested : 20;
}

// Starts the program, makes a few copies at random moments and kills it, cycle after cycle, checking the
// store after every start.
void killAtRandomMoments(RunningApp& app, std::mt19937& random)
{
    QSet<QString> recorded;
    int copies = 0;
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        ASSERT_TRUE(app.start());
        // Start-up removes what a kill left half-written; the store is checked once it has loaded.
        spin(600);
        expectConsistent(app, recorded, cycle);
        if (::testing::Test::HasFailure())
            return;

        const int copiesThisCycle = 1 + static_cast<int>(random() % 3);
        for (int n = 0; n < copiesThisCycle; ++n, ++copies) {
            switch (random() % 4) {
            case 0: {
                // Some tens of megabytes, transferred in many parts while the kill may come.
                QByteArray large(static_cast<qsizetype>(10 + random() % 20) * 1024 * 1024, 'x');
                large.prepend("copy " + QByteArray::number(copies) + '\n');
                copyInBackground(large, QStringLiteral("UTF8_STRING"));
                break;
            }
            case 1:
                copyInBackground(png(copies), QStringLiteral("image/png"));
                break;
            default:
                copyInBackground("text copy " + QByteArray::number(copies), QStringLiteral("UTF8_STRING"));
            }
            spin(static_cast<int>(random() % 400));
        }
        // What the index lists just before the kill was recorded, and must survive it.
        if (const auto items = app.index())
            for (const ClipboardItem& item : *items)
                recorded.insert(item.id);
        app.kill();
    }
    ASSERT_TRUE(app.start());
    spin(600);
    expectConsistent(app, recorded, cycles());
    // How many copies make it in before a kill depends on the machine's speed; some always must.
    EXPECT_FALSE(recorded.isEmpty()) << "the loop recorded copies at all";
}

// Entries already on disk, enough that writing their index takes a while: a kill then often comes while
// the index is being written.
void seedHistory(const QString& folder, int count)
{
    std::vector<ClipboardItem> items;
    for (int n = 0; n < count; ++n) {
        ClipboardItem item;
        item.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        item.date = 788'918'400.0 - n;
        item.preview = QStringLiteral("earlier copy %1 ").arg(n).repeated(20);
        item.itemTypes = { { QStringLiteral("public.utf8-plain-text") } };
        item.fingerprint = QStringLiteral("%1").arg(n, 64, 10, QLatin1Char('0'));
        QDir().mkpath(folder + u'/' + item.id);
        QFile data(folder + u'/' + item.id + QStringLiteral("/0-0"));
        data.open(QIODevice::WriteOnly);
        data.write(item.preview.toUtf8());
        items.push_back(std::move(item));
    }
    QFile index(folder + QStringLiteral("/index.json"));
    index.open(QIODevice::WriteOnly);
    index.write(HistoryIndex::encode(items));
}

// The program with the limit "Все", so that nothing recorded ever leaves, over `seeded` entries.
void killRepeatedly(std::uint32_t seed, int seeded)
{
    if (!run(QStringLiteral("xclip"), { QStringLiteral("-version") }))
        GTEST_SKIP() << "no xclip";
    QTemporaryDir home;
    RunningApp app(home,
        { { QStringLiteral("AT_SPI_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus") } },
        R"({"historyLimit": 0})", false);
    if (seeded > 0)
        seedHistory(app.historyFolder(), seeded);
    std::mt19937 random(seed);
    killAtRandomMoments(app, random);
}

} // namespace

TEST(DesktopCrashConsistency, KillingTheProgramAtRandomMomentsLosesNoRecordedEntry)
{
    SKIP_WITHOUT_DISPLAY();
    killRepeatedly(20261206, 0);
}

TEST(DesktopCrashConsistency, KillingTheProgramWhileItWritesALongIndexLosesNoRecordedEntry)
{
    SKIP_WITHOUT_DISPLAY();
    killRepeatedly(20261207, 5000);
}
