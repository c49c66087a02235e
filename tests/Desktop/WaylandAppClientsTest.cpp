#include "Desktop/DesktopSession.h"
#include "Desktop/RunningApp.h"
#include "TestSupport/TestImages.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spinUntil;

// The real program in the Wayland session of scripts/with-wayland, with wl-copy, wl-paste and a
// data-control owner of our own as the other clients. Without a compositor each case skips.
namespace {

struct SwayWindow {
    QString title;
    QRect rect;
};

// The windows of process `pid` as sway shows them, and the size of the whole layout.
std::vector<SwayWindow> swayWindows(long long pid, QSize* layout = nullptr)
{
    const auto tree = run(QStringLiteral("swaymsg"), { QStringLiteral("-t"), QStringLiteral("get_tree") });
    const QJsonObject root = QJsonDocument::fromJson(tree.value_or(QByteArray())).object();
    const auto rectOf = [](const QJsonObject& node) {
        const QJsonObject r = node[QLatin1String("rect")].toObject();
        return QRect(r[QLatin1String("x")].toInt(), r[QLatin1String("y")].toInt(),
            r[QLatin1String("width")].toInt(), r[QLatin1String("height")].toInt());
    };
    if (layout)
        *layout = rectOf(root).size();
    std::vector<SwayWindow> windows;
    std::function<void(const QJsonObject&)> walk = [&](const QJsonObject& node) {
        if (node[QLatin1String("pid")].toInteger() == pid)
            windows.push_back({ node[QLatin1String("name")].toString(), rectOf(node) });
        for (const auto* children : { "nodes", "floating_nodes" })
            for (const auto& child : node[QLatin1String(children)].toArray())
                walk(child.toObject());
    };
    walk(root);
    return windows;
}

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

    void start(const RunningApp::Environment& environment = {})
    {
        app = std::make_unique<RunningApp>(home, environment);
        ASSERT_TRUE(app->recording()) << app->output().toStdString();
        // Whatever is on the clipboard at start is not recorded; give the program a moment to take its count.
        DesktopSession::spin(1000);
    }

    void TearDown() override
    {
        field.kill();
        field.waitForFinished();
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

    // A later start handing `argument` to the running program, as a key bound in the desktop would.
    void command(const QString& argument)
    {
        RunningApp later(home, {}, {}, false);
        ASSERT_TRUE(later.start({ argument }));
        EXPECT_EQ(later.exitCode(8000), 0) << later.output().toStdString();
    }

    // Keys typed by wtype into the window with the keyboard. The compositor may drop the first key of the
    // new keyboard each wtype makes: a Shift, which means nothing to anyone, goes first.
    static void type(const QStringList& keys)
    {
        QStringList arguments { QStringLiteral("-k"), QStringLiteral("Shift_L") };
        for (const auto& key : keys)
            arguments << QStringLiteral("-s") << QStringLiteral("100") << QStringLiteral("-k") << key;
        ASSERT_TRUE(run(QStringLiteral("wtype"), arguments));
    }

    // A native Qt text field in front, saying when it gets and loses the keyboard and what it holds.
    void startField()
    {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        environment.insert(QStringLiteral("DRIMO_CLIENT_SHOW_FOCUS"), QStringLiteral("1"));
        field.setProcessEnvironment(environment);
        field.start(
            QStringLiteral(DESKTOP_CLIENT), { QStringLiteral("text"), QString(), QStringLiteral("0") });
        ASSERT_TRUE(fieldSays("focus in")) << said.toStdString();
    }

    bool fieldSays(const QByteArray& text)
    {
        return spinUntil(
            [&] {
                said += field.readAllStandardOutput();
                return said.contains(text);
            },
            10000);
    }

    QTemporaryDir home;
    std::unique_ptr<RunningApp> app;
    std::vector<std::unique_ptr<QProcess>> owners;
    QProcess field;
    QByteArray said; // what the field said
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
// every type it was copied with, is not recorded again, and is pasted into the native field the picker
// opened over, which gets the keyboard back. Chosen after the field's application has gone, an entry is
// still put on the clipboard and nothing is lost.
TEST_F(WaylandApp, AChosenEntryIsPastedIntoTheNativeFieldInFront)
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
    ASSERT_NO_FATAL_FAILURE(startField());

    said.clear();
    command(QStringLiteral("--show-history"));
    ASSERT_TRUE(fieldSays("focus out")) << "the picker takes the keyboard";
    type({ QStringLiteral("Down"), QStringLiteral("Return") });
    EXPECT_TRUE(fieldSays("text первый")) << said.toStdString() << app->output().toStdString();
    const auto paste = [](const QString& type) {
        return run(
            QStringLiteral("wl-paste"), { QStringLiteral("--no-newline"), QStringLiteral("--type"), type });
    };
    EXPECT_EQ(paste(QStringLiteral("text/plain;charset=utf-8")), plain);
    EXPECT_EQ(paste(QStringLiteral("text/html")), html);
    EXPECT_EQ(app->history().size(), 2u) << "the chosen entry is not a new copy";

    said.clear();
    command(QStringLiteral("--show-history"));
    ASSERT_TRUE(fieldSays("focus out"));
    field.kill();
    field.waitForFinished();
    type({ QStringLiteral("Down"), QStringLiteral("Return") });
    EXPECT_TRUE(spinUntil([&] {
        return paste(QStringLiteral("text/plain;charset=utf-8")) == QStringLiteral("второй").toUtf8();
    })) << app->output().toStdString();
    EXPECT_EQ(app->history().size(), 2u);
    EXPECT_TRUE(app->started()) << "still running";
}

// A screenshot through grim is saved and copied as on X11, and its thumbnail, which sway floats in the middle
// of the screen, opens the editor on a click. Sway gives the thumbnail the keyboard, as it does every new
// window: the first key closes it, and the field the user was typing in has the keyboard again.
TEST_F(WaylandApp, AnAreaScreenshotThroughGrimIsSavedAndItsThumbnailOpensTheEditor)
{
    if (qgetenv("DRIMO_TEST_COMPOSITOR") != "sway")
        GTEST_SKIP() << "grim needs wlroots' screen capture";
    // Nobody drags a selection here: slurp's stand-in selects a fixed area.
    QTemporaryDir tools;
    QFile slurp(tools.filePath(QStringLiteral("slurp")));
    ASSERT_TRUE(slurp.open(QIODevice::WriteOnly));
    slurp.write("#!/bin/sh\necho '20,30 160x90'\n");
    slurp.close();
    slurp.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    ASSERT_NO_FATAL_FAILURE(
        start({ { QStringLiteral("PATH"), tools.path() + u':' + qEnvironmentVariable("PATH") } }));
    ASSERT_NO_FATAL_FAILURE(startField());
    QStringList shots;
    std::vector<SwayWindow> windows;
    const auto screenshot = [&] {
        said.clear();
        command(QStringLiteral("--take-screenshot"));
        const qsizetype before = shots.size();
        EXPECT_TRUE(spinUntil(
            [&] {
                shots = QDir(app->desktop()).entryList({ QStringLiteral("*.png") }, QDir::Files);
                return shots.size() > before;
            },
            10000))
            << app->output().toStdString();
        return spinUntil([&] { return (windows = swayWindows(app->processId())).size() == 1; });
    };

    ASSERT_TRUE(screenshot()) << "the thumbnail shows";
    EXPECT_EQ(QImage(app->desktop() + u'/' + shots[0]).size(), QSize(160, 90));
    EXPECT_EQ(windows[0].rect.size(), QSize(220, 124)) << "the shot's proportions, floating";
    // On the clipboard as well, the TIFF made only now that a client asks for it.
    const auto tiff
        = run(QStringLiteral("wl-paste"), { QStringLiteral("--type"), QStringLiteral("image/tiff") });
    EXPECT_TRUE(tiff && QImage::fromData(*tiff).size() == QSize(160, 90));
    ASSERT_TRUE(fieldSays("focus out"));
    type({ QStringLiteral("Escape") });
    EXPECT_TRUE(fieldSays("focus in")) << "the keyboard goes back";
    EXPECT_TRUE(spinUntil([&] { return swayWindows(app->processId()).empty(); }));

    ASSERT_TRUE(screenshot());
    QSize layout;
    ASSERT_EQ(swayWindows(app->processId(), &layout).size(), 1u);
    const QPoint middle = windows[0].rect.center();
    ASSERT_TRUE(run(QStringLiteral(WAYLAND_POINTER),
        { QString::number(middle.x()), QString::number(middle.y()), QString::number(layout.width()),
            QString::number(layout.height()) }));
    EXPECT_TRUE(spinUntil([&] {
        windows = swayWindows(app->processId());
        return windows.size() == 1 && windows[0].title == QStringLiteral("Скриншот");
    })) << "the editor opens in the thumbnail's place";
}
