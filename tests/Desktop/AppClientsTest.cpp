#include "Clipboard/HistoryIndex.h"
#include "Desktop/DesktopSession.h"
#include "Desktop/RunningApp.h"

#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <csignal>

using DesktopSession::run;
using DesktopSession::spinUntil;
using DesktopSession::xdotool;

namespace {

bool xclipCopy(const QByteArray& bytes, const QString& target = {})
{
    QStringList arguments { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i") };
    if (!target.isEmpty())
        arguments += { QStringLiteral("-t"), target };
    return run(QStringLiteral("xclip"), arguments, bytes).has_value();
}

// A file in `folder` holding `bytes`, for the test client to offer; its path, or nothing when it failed.
QString writeFile(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes)
{
    QFile file(folder.filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
}

// The picker's frame: it is the only window the program maps.
std::optional<QRect> pickerGeometry()
{
    const auto windows
        = DesktopSession::visibleWindows({ QStringLiteral("--classname"), QStringLiteral("drimo-copy") });
    if (windows.size() != 1)
        return std::nullopt;
    const auto shell = run(QStringLiteral("xdotool"),
        { QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::fromLatin1(windows[0]) });
    if (!shell)
        return std::nullopt;
    QMap<QByteArray, int> values;
    for (const QByteArray& line : shell->split('\n'))
        if (const qsizetype equals = line.indexOf('='); equals > 0)
            values[line.left(equals)] = line.mid(equals + 1).toInt();
    return QRect(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
}

bool holdCtrlV()
{
    return xdotool(
        { QStringLiteral("keydown"), QStringLiteral("ctrl+v"), QStringLiteral("sleep"), QStringLiteral("1.0"),
            QStringLiteral("keyup"), QStringLiteral("v"), QStringLiteral("keyup"), QStringLiteral("ctrl") });
}

bool movePointer(int x, int y)
{
    return xdotool(
        { QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(x), QString::number(y) });
}

// The visible settings windows of the program with the process id `pid`.
QList<QByteArray> settingsWindows(long long pid)
{
    return DesktopSession::visibleWindows({ QStringLiteral("--all"), QStringLiteral("--pid"),
        QString::number(pid), QStringLiteral("--name"), QStringLiteral("Настройки Drimo Copy") });
}

// The picker's gap to the caret or pointer it opens under.
constexpr int caretGap = 6;

// A later start makes the running program `pid` show its settings, which then take the keyboard.
bool openSettings(const QTemporaryDir& home, long long pid)
{
    RunningApp second(home);
    if (second.exitCode(8000) != 0)
        return false;
    const QByteArray window
        = DesktopSession::waitForWindow({ QStringLiteral("--all"), QStringLiteral("--pid"),
            QString::number(pid), QStringLiteral("--name"), QStringLiteral("Настройки Drimo Copy") });
    if (window.isEmpty())
        return false;
    const bool activated = DesktopSession::activate(window);
    DesktopSession::spin(500);
    return activated;
}

// What the program stored under `key`, read from its settings file.
QJsonValue storedSetting(const QTemporaryDir& home, const QString& key)
{
    QFile file(home.path() + QStringLiteral("/config/com.drimo.copy/com.drimo.copy.json"));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonValue(QJsonValue::Undefined);
    return QJsonDocument::fromJson(file.readAll()).object().value(key);
}

// Key presses a tenth of a second apart, to whatever window has the keyboard.
bool keys(const QStringList& names)
{
    return xdotool(
        QStringList { QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100") } + names);
}

} // namespace

// Also in a Wayland session whose compositor offers no data-control (GNOME's): there the program runs on X11
// through Xwayland, whose clipboard the compositor keeps in step.
TEST(DesktopApp, TheRunningProgramRecordsWhatOtherClientsCopy)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    // An accessibility bus that cannot be reached only costs the caret.
    RunningApp app(home,
        { { QStringLiteral("AT_SPI_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus") },
            { QStringLiteral("WAYLAND_DISPLAY"), home.filePath(QStringLiteral("no-data-control")) } });
    ASSERT_TRUE(app.recording()) << app.output().toStdString();
    EXPECT_TRUE(app.output().contains(QStringLiteral("copies are recorded through X11")))
        << app.output().toStdString();
    // Whatever is on the clipboard at start is not recorded; give the program a moment to take its count.
    DesktopSession::spin(1000);

    // What each kind of copy becomes is the pasteboard's own test (ClipboardClientsTest); here, that the
    // running program records them.
    ASSERT_TRUE(xclipCopy(QStringLiteral("Привет из xclip").toUtf8()));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 1; }, 8000)) << app.output().toStdString();
    EXPECT_EQ(app.history().front().preview, QStringLiteral("Привет из xclip"));

    // A password manager's copy carries a hint beside the text (xclip offers one type only, so our own
    // client offers both): nothing is recorded while it is on the clipboard, and the same text copied
    // plainly is an ordinary entry.
    auto owner = DesktopSession::startOffer(
        { QStringLiteral("text/plain"), writeFile(home, QStringLiteral("password"), "hunter2"),
            QStringLiteral("x-kde-passwordManagerHint"), writeFile(home, QStringLiteral("hint"), "secret") });
    ASSERT_TRUE(owner);
    DesktopSession::spin(1500);
    EXPECT_EQ(app.history().size(), 1u) << "the secret stays out of the history";
    ASSERT_TRUE(xclipCopy("hunter2"));
    EXPECT_TRUE(spinUntil([&] { return app.history().size() == 2; }, 8000));
    EXPECT_EQ(app.history().front().preview, QStringLiteral("hunter2"));
    owner->waitForFinished(3000);

    // Text that is not valid UTF-8 is kept as it came: pasting it back must give the same bytes.
    const QByteArray invalid = QByteArray("caf\xe9 \xff\xfe ok \xc3", 12).repeated(80);
    ASSERT_TRUE(xclipCopy(invalid, QStringLiteral("UTF8_STRING")));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 3; }, 8000));
    const ClipboardItem copied = app.history().front();
    ASSERT_EQ(copied.itemTypes.size(), 1);
    const qsizetype text = copied.itemTypes[0].indexOf(QStringLiteral("public.utf8-plain-text"));
    ASSERT_GE(text, 0) << copied.itemTypes[0].join(u' ').toStdString();
    EXPECT_EQ(app.entryFile(copied.id, QStringLiteral("0-%1").arg(text)), invalid);
}

TEST(DesktopApp, HoldingCtrlVOpensThePickerAndTheChosenEntryIsPastedIntoTheWindowInFront)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    RunningApp app(home);
    ASSERT_TRUE(app.started());
    DesktopSession::spin(1000);
    // An entry going back under every type it came with is the Wayland program's test, and the X11
    // clipboard's writes are DesktopClipboard's.
    ASSERT_TRUE(xclipCopy(QStringLiteral("первый").toUtf8()));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 1; }, 8000)) << app.output().toStdString();
    ASSERT_TRUE(xclipCopy(QStringLiteral("второй").toUtf8()));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 2; }, 8000));

    qputenv("DRIMO_CLIENT_SHOW_CLIPBOARD", "1");
    auto window = DesktopSession::startWindow();
    qunsetenv("DRIMO_CLIENT_SHOW_CLIPBOARD");
    ASSERT_TRUE(window);

    // The window has no text to read a caret from, so the picker opens under the pointer.
    ASSERT_TRUE(movePointer(300, 200));
    ASSERT_TRUE(holdCtrlV());
    ASSERT_TRUE(spinUntil([&] { return pickerGeometry().has_value(); }, 5000)) << "the picker maps\n"
                                                                               << app.output().toStdString();
    const QRect picker = *pickerGeometry();
    EXPECT_NEAR(picker.x(), 300, 1);
    EXPECT_NEAR(picker.y(), 200 + caretGap, 1);
    window->read();
    EXPECT_EQ(window->output, "") << "the hold reached no window";

    // The newest entry is selected; Down moves to the older one, Return pastes it into the window in front.
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Down") }));
    DesktopSession::spin(200);
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Return") }));
    EXPECT_TRUE(spinUntil(
        [&] {
            window->read();
            return window->output.contains("paste ");
        },
        5000))
        << app.output().toStdString();
    DesktopSession::spin(300);
    window->read();
    EXPECT_EQ(QString::fromUtf8(window->output), QStringLiteral("paste первый\n"));
    EXPECT_TRUE(
        spinUntil([&] { return !app.history().empty() && app.history()[0].preview == u"первый"; }, 5000));
    EXPECT_FALSE(pickerGeometry());
}

TEST(DesktopApp, ThePickerOpensUnderTheCaretOfATextFieldAndWaitsForNoFrozenApplication)
{
    SKIP_WITHOUT_DISPLAY();
    if (!DesktopSession::accessibilityBusAvailable())
        GTEST_SKIP() << "no AT-SPI bus";
    QTemporaryDir home;
    RunningApp app(home);
    ASSERT_TRUE(app.started());
    DesktopSession::spin(1000);
    ASSERT_TRUE(xclipCopy(QStringLiteral(" дорогой").toUtf8()));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 1; }, 8000)) << app.output().toStdString();

    auto field = DesktopSession::startWindow(
        { QStringLiteral("text"), QStringLiteral("hello world"), QStringLiteral("5") });
    ASSERT_TRUE(field);
    const QList<QByteArray> caret = field->ready.split(' ');
    ASSERT_EQ(caret.size(), 9);
    const QRect fieldRect(caret[5].toInt(), caret[6].toInt(), caret[7].toInt(), caret[8].toInt());
    // The pointer is far from the field.
    ASSERT_TRUE(movePointer(900, 40));

    ASSERT_TRUE(holdCtrlV());
    ASSERT_TRUE(spinUntil([&] { return pickerGeometry().has_value(); }, 5000)) << app.output().toStdString();
    const QRect picker = *pickerGeometry();
    EXPECT_NEAR(picker.x(), caret[1].toInt(), 3) << app.output().toStdString();
    EXPECT_GT(picker.y(), fieldRect.top());
    EXPECT_LE(picker.y(), fieldRect.bottom() + caretGap + 1);

    // The paste itself is the pointer test's and the terminals'.
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Escape") }));
    ASSERT_TRUE(spinUntil([&] { return !pickerGeometry().has_value(); }, 3000));

    // A frozen application answers no accessibility call. The picker must not wait for it, nor hold the
    // keyboard meanwhile: it opens at the pointer, as beside an application without a caret.
    const auto process = static_cast<pid_t>(field->process->processId());
    ASSERT_EQ(::kill(process, SIGSTOP), 0);
    const auto resume = qScopeGuard([process] { ::kill(process, SIGCONT); });
    ASSERT_TRUE(movePointer(300, 600));
    ASSERT_TRUE(holdCtrlV());
    ASSERT_TRUE(spinUntil([&] { return pickerGeometry().has_value(); }, 3000)) << app.output().toStdString();
    EXPECT_EQ(pickerGeometry()->topLeft(), QPoint(300, 600 + caretGap));
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Escape") }));
    EXPECT_TRUE(spinUntil([&] { return !pickerGeometry().has_value(); }, 3000)) << "the keys reach it";
}

// Ctrl+V types a control character in a terminal: the chosen entry goes in the way each terminal pastes.
// Each runs a shell that writes what it reads, as it comes, into a file.
TEST(DesktopApp, AnEntryChosenInATerminalIsPastedTheWayThatTerminalPastes)
{
    SKIP_WITHOUT_DISPLAY();
    // xterm pastes the primary selection with Shift+Insert, st the clipboard with Ctrl+Shift+V.
    const QStringList terminals { QStringLiteral("xterm"), QStringLiteral("stterm") };
    for (const QString& terminal : terminals)
        if (QStandardPaths::findExecutable(terminal).isEmpty())
            GTEST_SKIP() << terminal.toStdString() << " is not installed (scripts/setup installs it)";
    QTemporaryDir home;
    RunningApp app(home);
    ASSERT_TRUE(app.started());
    DesktopSession::spin(1000);
    const QByteArray entry = "pasted from the history";
    ASSERT_TRUE(xclipCopy(entry));
    ASSERT_TRUE(spinUntil([&] { return app.history().size() == 1; }, 8000)) << app.output().toStdString();

    for (const QString& terminal : terminals) {
        SCOPED_TRACE(terminal.toStdString());
        const int at = 300 + 100 * int(terminals.indexOf(terminal));
        const QString typed = home.filePath(terminal);
        const QString title = QStringLiteral("drimo terminal ") + terminal;
        QProcess shell;
        shell.start(terminal,
            { QStringLiteral("-T"), title, QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                QStringLiteral("stty -icanon -echo; : > '%1.ready'; exec cat > '%1'").arg(typed) });
        const auto close = qScopeGuard([&shell] {
            shell.kill();
            shell.waitForFinished();
        });
        QByteArray window;
        ASSERT_TRUE(spinUntil(
            [&] {
                window = DesktopSession::visibleWindows({ QStringLiteral("--name"), title }).value(0);
                return !window.isEmpty() && QFile::exists(typed + QStringLiteral(".ready"));
            },
            8000));
        ASSERT_TRUE(DesktopSession::activate(window));
        ASSERT_TRUE(movePointer(at, 200));

        ASSERT_TRUE(holdCtrlV());
        ASSERT_TRUE(spinUntil([&] { return pickerGeometry().has_value(); }, 5000))
            << app.output().toStdString();
        ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Return") }));
        const auto pasted = [&typed] {
            QFile file(typed);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        EXPECT_TRUE(spinUntil([&] { return pasted().contains(entry); }, 5000)) << pasted().toStdString();
        DesktopSession::spin(300);
        EXPECT_EQ(pasted(), entry) << "nothing but the entry came in";
    }
}

TEST(DesktopApp, RestartingFromOnboardingQuitsAndAFreshProcessRunsASecondLater)
{
    SKIP_WITHOUT_DISPLAY();
    // Another client holds Ctrl+V, so the program cannot take its keys and asks for a restart.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window root = DefaultRootWindow(display);
    const KeyCode v = XKeysymToKeycode(display, XK_v);
    XGrabKey(display, v, ControlMask, root, False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);

    QTemporaryDir home;
    auto app = std::make_unique<RunningApp>(home);
    ASSERT_TRUE(app->started());
    const QByteArray onboarding
        = DesktopSession::waitForWindow({ QStringLiteral("--name"), QStringLiteral("^Drimo Copy$") });
    ASSERT_FALSE(onboarding.isEmpty()) << "the onboarding window shows\n" << app->output().toStdString();
    XUngrabKey(display, v, ControlMask, root);
    XCloseDisplay(display);

    // Its only button is "Перезапустить": the keyboard presses it once the window has the focus.
    ASSERT_TRUE(DesktopSession::activate(onboarding));
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("space") }));
    ASSERT_TRUE(app->waitForExit(5000)) << "the program quits";
    const long long first = app->processId();

    // The relaunch waits a second after the quit, then starts the same program again.
    std::optional<QByteArray> fresh;
    EXPECT_TRUE(spinUntil(
        [&] {
            fresh = run(QStringLiteral("pgrep"),
                { QStringLiteral("-x"), QStringLiteral("-f"), QStringLiteral(DRIMO_COPY) });
            return fresh.has_value();
        },
        6000))
        << "a new process runs";
    if (fresh) {
        EXPECT_FALSE(fresh->trimmed().split('\n').contains(QByteArray::number(first)));
        run(QStringLiteral("pkill"),
            { QStringLiteral("-x"), QStringLiteral("-f"), QStringLiteral(DRIMO_COPY) });
    }
}

TEST(DesktopApp, AClipboardOwnerThatNeverAnswersFreezesNeitherTheKeyboardNorTheProgram)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    RunningApp app(home);
    ASSERT_TRUE(app.started());
    ASSERT_TRUE(app.recording()) << app.output().toStdString();
    auto window = DesktopSession::startWindow();
    ASSERT_TRUE(window);

    auto owner = DesktopSession::startSilentOwner(20);
    ASSERT_TRUE(owner);
    // The program has seen the copy and is reading it by now.
    DesktopSession::spin(600);
    // A short Ctrl+V goes through the program's grab; the letters around it must not wait for the owner.
    ASSERT_TRUE(xdotool({ QStringLiteral("type"), QStringLiteral("abc") }));
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+v") }));
    ASSERT_TRUE(xdotool({ QStringLiteral("type"), QStringLiteral("def") }));
    const QByteArray expected = "key 65 a\nkey 66 b\nkey 67 c\npaste\nkey 68 d\nkey 69 e\nkey 70 f\n";
    EXPECT_TRUE(spinUntil(
        [&] {
            window->read();
            return window->output.size() >= expected.size();
        },
        3000));
    EXPECT_EQ(window->output, expected) << app.output().toStdString();
    // Giving the owner up and reading the next copy as usual is the pasteboard's own test.
}

TEST(DesktopApp, ASecondStartNeverRecordsIntoTheHistoryOfARunningOne)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    RunningApp first(home);
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(first.recording()) << first.output().toStdString();

    // Stopped, the first cannot answer the second, which must still not run beside it.
    ASSERT_EQ(::kill(pid_t(first.processId()), SIGSTOP), 0);
    auto resume = qScopeGuard([&] { ::kill(pid_t(first.processId()), SIGCONT); });
    RunningApp second(home);
    const auto code = second.exitCode(8000);
    ASSERT_TRUE(code) << "the second start runs on: " << second.output().toStdString();
    EXPECT_NE(*code, 0);
    EXPECT_TRUE(second.output().contains(QStringLiteral("already running"))) << second.output().toStdString();

    ASSERT_EQ(::kill(pid_t(first.processId()), SIGCONT), 0);
    ASSERT_TRUE(xclipCopy("recorded once"));
    EXPECT_TRUE(spinUntil([&] { return first.history().size() == 1; }, 8000)) << first.output().toStdString();

    // Answering, the running one takes the start over.
    RunningApp third(home);
    EXPECT_EQ(third.exitCode(8000), 0) << third.output().toStdString();
    DesktopSession::spin(500);
    EXPECT_EQ(first.history().size(), 1u);
}

TEST(DesktopApp, ASecondStartOpensTheSettingsWhichTheKeyboardAloneWorksAndEscapeOrCtrlWClose)
{
    SKIP_WITHOUT_DISPLAY();
    QTemporaryDir home;
    RunningApp first(
        home, { { QStringLiteral("AT_SPI_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus") } });
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(first.recording()) << first.output().toStdString();
    DesktopSession::spin(1000);

    // A program of another history (another XDG_DATA_HOME) in the same runtime and temporary folders runs
    // beside it, and starts on either history reach only the program recording that one.
    QTemporaryDir otherHome;
    const RunningApp::Environment sharedFolders { { QStringLiteral("TMPDIR"), home.path() },
        { QStringLiteral("XDG_RUNTIME_DIR"), home.path() + QStringLiteral("/run") } };
    RunningApp other(otherHome, sharedFolders);
    ASSERT_TRUE(other.recording()) << other.output().toStdString();
    DesktopSession::spin(1000);
    EXPECT_TRUE(settingsWindows(first.processId()).isEmpty()) << "it takes nothing over";
    RunningApp otherAgain(otherHome, sharedFolders);
    EXPECT_EQ(otherAgain.exitCode(8000), 0) << otherAgain.output().toStdString();
    EXPECT_TRUE(spinUntil([&] { return settingsWindows(other.processId()).size() == 1; }, 8000))
        << other.output().toStdString();
    EXPECT_TRUE(settingsWindows(first.processId()).isEmpty());

    ASSERT_TRUE(openSettings(home, first.processId())) << first.output().toStdString();
    EXPECT_EQ(settingsWindows(other.processId()).size(), 1) << "the other program's window stays its own";
    EXPECT_EQ(other.exitCode(0), std::nullopt) << other.output().toStdString();

    // The window opens with the first control, the history limit, focused; the pause switch is next. Where
    // Tab goes from there, and what each control does, are the settings form's and the settings scenario's.
    ASSERT_TRUE(keys({ QStringLiteral("Tab"), QStringLiteral("space") }));
    EXPECT_TRUE(spinUntil([&] { return storedSetting(home, QStringLiteral("paused")).toBool(); }, 5000))
        << first.output().toStdString();

    ASSERT_TRUE(keys({ QStringLiteral("Escape") }));
    EXPECT_TRUE(spinUntil([&] { return settingsWindows(first.processId()).isEmpty(); }, 5000));
    ASSERT_TRUE(openSettings(home, first.processId())) << first.output().toStdString();
    ASSERT_TRUE(keys({ QStringLiteral("ctrl+w") }));
    EXPECT_TRUE(spinUntil([&] { return settingsWindows(first.processId()).isEmpty(); }, 5000));
}
