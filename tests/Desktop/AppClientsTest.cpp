#include "Clipboard/HistoryIndex.h"
#include "Desktop/DesktopSession.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spinUntil;

namespace {

// The real program, in a home of its own on the test display.
class RunningApp {
public:
    explicit RunningApp(const QTemporaryDir& home)
        : m_home(home.path())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home);
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/config"));
        // The single-instance socket lives in the temporary folder: a user's own running copy is not ours.
        env.insert(QStringLiteral("TMPDIR"), m_home);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral(DRIMO_COPY), {});
    }
    ~RunningApp()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool started() { return m_process.waitForStarted(5000) && m_process.state() == QProcess::Running; }
    QString output() { return QString::fromUtf8(m_process.readAll()); }

    std::vector<ClipboardItem> history() const
    {
        QFile index(m_home + QStringLiteral("/data/com.drimo.copy/History/index.json"));
        if (!index.open(QIODevice::ReadOnly))
            return {};
        return HistoryIndex::decode(index.readAll()).value_or(std::vector<ClipboardItem> {});
    }

private:
    QString m_home;
    QProcess m_process;
};

bool xclipCopy(const QByteArray& bytes, const QString& target = {})
{
    QStringList arguments { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i") };
    if (!target.isEmpty())
        arguments += { QStringLiteral("-t"), target };
    return run(QStringLiteral("xclip"), arguments, bytes).has_value();
}

} // namespace

TEST(DesktopApp, TheRunningProgramRecordsWhatOtherClientsCopy)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    RunningApp app(home);
    ASSERT_TRUE(app.started()) << app.output().toStdString();
    // Whatever is on the clipboard at start is not recorded; give the program a moment to take its count.
    DesktopSession::spin(1000);

    ASSERT_TRUE(xclipCopy(QStringLiteral("Привет из xclip").toUtf8()));
    EXPECT_TRUE(spinUntil([&] { return app.history().size() == 1; }, 8000)) << app.output().toStdString();

    QImage image(12, 9, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    ASSERT_TRUE(xclipCopy(png, QStringLiteral("image/png")));
    EXPECT_TRUE(spinUntil([&] { return app.history().size() == 2; }, 8000));

    ASSERT_TRUE(xclipCopy("file:///tmp/a.txt\r\nfile:///tmp/b%20b.pdf\r\n", QStringLiteral("text/uri-list")));
    EXPECT_TRUE(spinUntil([&] { return app.history().size() == 3; }, 8000));

    const auto items = app.history();
    ASSERT_EQ(items.size(), 3u) << app.output().toStdString();
    EXPECT_EQ(items[0].kind, ClipboardItem::Kind::Files);
    EXPECT_EQ(items[0].preview, QStringLiteral("a.txt, b b.pdf"));
    EXPECT_EQ(items[0].itemTypes.size(), 2u);
    EXPECT_EQ(items[1].kind, ClipboardItem::Kind::Image);
    EXPECT_EQ(items[1].preview, QStringLiteral("Изображение 12×9"));
    EXPECT_EQ(items[2].kind, ClipboardItem::Kind::Text);
    EXPECT_EQ(items[2].preview, QStringLiteral("Привет из xclip"));
}


TEST(DesktopApp, HoldingCtrlVOpensThePickerAndTheChosenEntryIsPastedIntoTheWindowInFront)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    RunningApp app(home);
    ASSERT_TRUE(app.started());
    DesktopSession::spin(1000);
    ASSERT_TRUE(xclipCopy(QStringLiteral("первый").toUtf8()));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 1; }, 8000)) << app.output().toStdString();
    ASSERT_TRUE(xclipCopy(QStringLiteral("второй").toUtf8()));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 2; }, 8000));

    qputenv("DRIMO_CLIENT_SHOW_CLIPBOARD", "1");
    auto window = DesktopSession::startWindow();
    qunsetenv("DRIMO_CLIENT_SHOW_CLIPBOARD");
    ASSERT_TRUE(window);

    ASSERT_TRUE(run(QStringLiteral("xdotool"),
        { QStringLiteral("keydown"), QStringLiteral("ctrl+v"), QStringLiteral("sleep"), QStringLiteral("1.0"),
            QStringLiteral("keyup"), QStringLiteral("v"), QStringLiteral("keyup"), QStringLiteral("ctrl") }));
    const auto pickerWindows = [] {
        return run(QStringLiteral("xdotool"),
            { QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--classname"),
                QStringLiteral("drimo-copy") })
            .value_or(QByteArray())
            .trimmed();
    };
    ASSERT_TRUE(spinUntil([&] { return !pickerWindows().isEmpty(); }, 5000))
        << "the picker maps\n" << app.output().toStdString();
    window->read();
    EXPECT_EQ(window->output, "") << "the hold reached no window";

    // The newest entry is selected; Down moves to the older one, Return pastes it into the window in front.
    ASSERT_TRUE(run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Down") }));
    DesktopSession::spin(200);
    ASSERT_TRUE(run(QStringLiteral("xdotool"), { QStringLiteral("key"), QStringLiteral("Return") }));
    EXPECT_TRUE(spinUntil([&] {
        window->read();
        return window->output.contains("paste ");
    }, 5000)) << app.output().toStdString();
    DesktopSession::spin(300);
    window->read();
    EXPECT_EQ(QString::fromUtf8(window->output), QStringLiteral("paste первый\n"));
    EXPECT_TRUE(spinUntil([&] { return !app.history().empty() && app.history()[0].preview == u"первый"; }, 5000));
    EXPECT_TRUE(pickerWindows().isEmpty());
}
