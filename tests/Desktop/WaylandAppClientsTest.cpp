#include "Desktop/DesktopSession.h"
#include "Desktop/RunningApp.h"
#include "TestSupport/TestImages.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spinUntil;

// The real program in the Wayland session of scripts/with-wayland, with wl-copy, wl-paste and a
// data-control owner of our own as the other clients. Without a compositor each case skips.
namespace {

class WaylandApp : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DRIMO_TEST_WAYLAND_DISPLAY"))
            GTEST_SKIP() << "no Wayland compositor";
        qputenv("WAYLAND_DISPLAY", qgetenv("DRIMO_TEST_WAYLAND_DISPLAY"));
        // A Wayland session only: no X server to fall back on.
        qunsetenv("DISPLAY");
    }

    void start()
    {
        app = std::make_unique<RunningApp>(home);
        ASSERT_TRUE(app->recording()) << app->output().toStdString();
        // Whatever is on the clipboard at start is not recorded; give the program a moment to take its count.
        DesktopSession::spin(1000);
    }

    void TearDown() override
    {
        for (auto& owner : owners) {
            owner->kill();
            owner->waitForFinished();
        }
    }

    bool copy(const QByteArray& bytes, const QString& type = QStringLiteral("text/plain;charset=utf-8"))
    {
        return run(QStringLiteral("wl-copy"), { QStringLiteral("--type"), type }, bytes).has_value();
    }

    // Has tests/Desktop/WaylandOwner.cpp own the clipboard until another copy replaces it.
    bool own(const QStringList& arguments)
    {
        auto owner = std::make_unique<QProcess>();
        owner->start(QStringLiteral(WAYLAND_OWNER), arguments);
        const bool ready = spinUntil([&] { return owner->canReadLine(); });
        owners.push_back(std::move(owner));
        return ready;
    }

    bool recorded(std::size_t entries)
    {
        return spinUntil([&] { return app->history().size() == entries; }, 8000);
    }

    QTemporaryDir home;
    std::unique_ptr<RunningApp> app;
    std::vector<std::unique_ptr<QProcess>> owners;
};

} // namespace

// Copies made by native Wayland clients are recorded as on X11: each kind of content, bytes that are no text
// kept as they came, a password manager's secret left out, and an owner that never answers costs nothing.
TEST_F(WaylandApp, RecordsWhatNativeClientsCopy)
{
    ASSERT_NO_FATAL_FAILURE(start());
    EXPECT_TRUE(app->output().contains(QStringLiteral("this is a Wayland session: copies are recorded")))
        << app->output().toStdString();

    ASSERT_TRUE(copy(QStringLiteral("Привет из wl-copy").toUtf8()));
    EXPECT_TRUE(recorded(1)) << app->output().toStdString();
    ASSERT_TRUE(copy(TestImages::png(12, 9), QStringLiteral("image/png")));
    EXPECT_TRUE(recorded(2));
    ASSERT_TRUE(copy("file:///tmp/a.txt\r\nfile:///tmp/b%20b.pdf\r\n", QStringLiteral("text/uri-list")));
    EXPECT_TRUE(recorded(3));
    auto items = app->history();
    ASSERT_EQ(items.size(), 3u) << app->output().toStdString();
    EXPECT_EQ(items[0].kind, ClipboardItem::Kind::Files);
    EXPECT_EQ(items[0].preview, QStringLiteral("a.txt, b b.pdf"));
    EXPECT_EQ(items[1].kind, ClipboardItem::Kind::Image);
    EXPECT_EQ(items[1].preview, QStringLiteral("Изображение 12×9"));
    EXPECT_EQ(items[2].preview, QStringLiteral("Привет из wl-copy"));

    ASSERT_TRUE(own({ QStringLiteral("text/plain;charset=utf-8=hunter2"),
        QStringLiteral("x-kde-passwordManagerHint=secret") }));
    DesktopSession::spin(1500);
    EXPECT_EQ(app->history().size(), 3u) << "the secret stays out of the history";
    ASSERT_TRUE(own({ QStringLiteral("--silent"), QStringLiteral("text/plain;charset=utf-8=never sent") }));

    const QByteArray invalid = QByteArray("caf\xe9 \xff\xfe ok \xc3", 12).repeated(80);
    ASSERT_TRUE(copy(invalid));
    ASSERT_TRUE(recorded(4)) << "the silent owner held nothing up";
    const ClipboardItem copied = app->history().front();
    ASSERT_EQ(copied.itemTypes.size(), 1);
    const qsizetype text = copied.itemTypes[0].indexOf(QStringLiteral("public.utf8-plain-text"));
    ASSERT_GE(text, 0) << copied.itemTypes[0].join(u' ').toStdString();
    EXPECT_EQ(app->entryFile(copied.id, QStringLiteral("0-%1").arg(text)), invalid);
}

// The picker a start with --show-history opens takes the keys; the chosen entry goes on the clipboard in
// every type it was copied with, and is not recorded again.
TEST_F(WaylandApp, AChosenEntryGoesOnTheClipboard)
{
    if (qgetenv("DRIMO_TEST_COMPOSITOR") == "kwin")
        GTEST_SKIP() << "KWin offers no virtual keyboard to choose with";
    ASSERT_NO_FATAL_FAILURE(start());
    const QByteArray plain = QStringLiteral("первый").toUtf8();
    const QByteArray html = QStringLiteral("<b>первый</b>").toUtf8();
    ASSERT_TRUE(own({ QStringLiteral("text/plain;charset=utf-8=") + QString::fromUtf8(plain),
        QStringLiteral("text/html=") + QString::fromUtf8(html) }));
    ASSERT_TRUE(recorded(1)) << app->output().toStdString();
    ASSERT_TRUE(copy(QStringLiteral("второй").toUtf8()));
    ASSERT_TRUE(recorded(2));

    RunningApp asking(home, {}, {}, false);
    ASSERT_TRUE(asking.start({ QStringLiteral("--show-history") }));
    EXPECT_EQ(asking.exitCode(8000), 0) << asking.output().toStdString();
    // The compositor maps the picker and gives it the keyboard; wtype's keyboard needs a moment to be known.
    DesktopSession::spin(1500);
    ASSERT_TRUE(run(QStringLiteral("wtype"),
        { QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("-k"), QStringLiteral("Down"),
            QStringLiteral("-s"), QStringLiteral("300"), QStringLiteral("-k"), QStringLiteral("Return") }));
    const auto paste = [](const QString& type) {
        return run(
            QStringLiteral("wl-paste"), { QStringLiteral("--no-newline"), QStringLiteral("--type"), type });
    };
    EXPECT_TRUE(spinUntil([&] { return paste(QStringLiteral("text/plain;charset=utf-8")) == plain; }))
        << app->output().toStdString();
    EXPECT_EQ(paste(QStringLiteral("text/html")), html);
    DesktopSession::spin(1000);
    EXPECT_EQ(app->history().size(), 2u) << "the chosen entry is not a new copy";
}
