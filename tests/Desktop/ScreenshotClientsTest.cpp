// The screenshot road on a real X server: the real program, the installed area tool (maim, its selection
// driven with xdotool's mouse), the clipboard read back with xclip, windows found with xdotool and xwininfo,
// and a drop target of our own.
#include "Desktop/DesktopSession.h"
#include "Desktop/RunningApp.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

// After every Qt header: Xlib's macros (None, Bool) clash with their names.
#include <X11/Xlib.h>

using DesktopSession::run;
using DesktopSession::spinUntil;
using DesktopSession::xdotool;

namespace {

// Whether a child of `parent` named `name` runs now.
bool childRuns(long long parent, const QByteArray& name)
{
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('('), close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (line.mid(open + 1, close - open - 1) == name && rest.size() > 1 && rest[1].toLongLong() == parent)
            return true;
    }
    return false;
}

// Whether another client holds the pointer: our own grab is then refused. Ours, when it succeeds, is let
// go at once, and the area tool tries its own grab again if it met ours.
bool pointerGrabbedElsewhere()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    const int result = XGrabPointer(display, DefaultRootWindow(display), False, ButtonPressMask,
        GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (result == GrabSuccess)
        XUngrabPointer(display, CurrentTime);
    XCloseDisplay(display);
    return result == AlreadyGrabbed;
}

// True once the area tool the program started has the pointer: only then does a press start the area
// where the pointer is, however long a busy machine kept the tool from taking it.
bool toolHasPointer(RunningApp& program)
{
    if (!spinUntil([&] { return childRuns(program.processId(), "maim"); }, 5000)
        || !spinUntil(pointerGrabbedElsewhere, 5000))
        return false;
    // The tool goes on setting up its selection for a moment after the grab.
    DesktopSession::spin(200);
    return true;
}

// Holds Ctrl+C long enough for a hold, with the pointer at `at`; true once the area tool has the pointer.
bool startCapture(RunningApp& program, QPoint at)
{
    return xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()) })
        && xdotool({ QStringLiteral("keydown"), QStringLiteral("ctrl+c"), QStringLiteral("sleep"),
            QStringLiteral("0.9"), QStringLiteral("keyup"), QStringLiteral("ctrl+c") })
        && toolHasPointer(program);
}

// Drags from `from` to `to` in an area tool that has the pointer.
bool drag(QPoint from, QPoint to)
{
    const auto move = [](QPoint at) {
        return xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()) });
    };
    // The tool reads the pointer at its own pace: a move arriving before it took the press would start the
    // area late, and a release arriving first would end it short.
    if (!xdotool({ QStringLiteral("mousedown"), QStringLiteral("1") }))
        return false;
    DesktopSession::spin(200);
    if (!move(from + QPoint(5, 5)) || !move((from + to) / 2) || !move(to))
        return false;
    DesktopSession::spin(200);
    return xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") });
}

// Drags out an area once the area tool, however it was started, has the pointer.
bool dragArea(RunningApp& program, QPoint from, QPoint to)
{
    return toolHasPointer(program) && drag(from, to);
}

// Holds Ctrl+C long enough for a hold, then drags out an area.
bool captureArea(RunningApp& program, QPoint from, QPoint to)
{
    return startCapture(program, from) && drag(from, to);
}

QStringList screenshots(const RunningApp& program)
{
    return QDir(program.desktop()).entryList(QDir::Files, QDir::Name);
}

QByteArray clipboardPng()
{
    return run(QStringLiteral("xclip"),
        { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o"),
            QStringLiteral("-t"), QStringLiteral("image/png") })
        .value_or(QByteArray());
}

// The program's visible windows.
QList<QByteArray> programWindows()
{
    return DesktopSession::visibleWindows({ QStringLiteral("--classname"), QStringLiteral("drimo-copy") });
}

// The program's mapped window with this title whose frame xwininfo reports; the first when several.
std::optional<QRect> mappedWindow(const QString& title = {})
{
    for (const QByteArray& id : programWindows()) {
        const auto info = run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::fromLatin1(id) });
        if (!info || !info->contains("IsViewable"))
            continue;
        if (!title.isEmpty() && !QString::fromUtf8(*info).contains(u'"' + title + u'"'))
            continue;
        if (title.isEmpty() && info->contains("\"Скриншот\""))
            continue;
        QMap<QByteArray, int> values;
        for (const QByteArray& line : info->split('\n'))
            if (const qsizetype colon = line.indexOf(':'); colon > 0)
                values[line.left(colon).trimmed()] = line.mid(colon + 1).trimmed().toInt();
        return QRect(values["Absolute upper-left X"], values["Absolute upper-left Y"], values["Width"],
            values["Height"]);
    }
    return std::nullopt;
}

// Stands in for a desktop's tray: it holds the tray selection and embeds the icons that ask to dock, in a
// window of its own at the top-left corner of the screen.
class TrayStandIn {
public:
    TrayStandIn()
        : m_display(XOpenDisplay(nullptr))
    {
        if (!m_display)
            return;
        XSetWindowAttributes attributes {};
        attributes.override_redirect = True;
        m_window = XCreateWindow(m_display, DefaultRootWindow(m_display), 0, 0, 24, 24, 0, CopyFromParent,
            InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(m_display, m_window);
        XSetSelectionOwner(
            m_display, XInternAtom(m_display, "_NET_SYSTEM_TRAY_S0", False), m_window, CurrentTime);
        XSync(m_display, False);
    }
    ~TrayStandIn()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    TrayStandIn(const TrayStandIn&) = delete;
    TrayStandIn& operator=(const TrayStandIn&) = delete;

    // Handles the dock requests that came; true once an icon is docked.
    bool serve()
    {
        const Atom opcode = m_display ? XInternAtom(m_display, "_NET_SYSTEM_TRAY_OPCODE", False) : 0;
        while (m_display && XPending(m_display) > 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            // Request 0 docks the window named in the third word.
            if (event.type != ClientMessage || event.xclient.message_type != opcode
                || event.xclient.data.l[1] != 0)
                continue;
            const auto icon = static_cast<Window>(event.xclient.data.l[2]);
            XReparentWindow(m_display, icon, m_window, 0, 0);
            XMapWindow(m_display, icon);
            XSync(m_display, False);
            m_docked = true;
        }
        return m_docked;
    }

private:
    Display* m_display;
    Window m_window = 0;
    bool m_docked = false;
};

class DesktopScreenshot : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!DesktopSession::displayAvailable())
            GTEST_SKIP() << "no X display";
        if (QStandardPaths::findExecutable(QStringLiteral("maim")).isEmpty())
            GTEST_SKIP() << "maim is not installed (scripts/setup installs it)";
    }
};

TEST_F(DesktopScreenshot, AHeldCtrlCSavesCopiesAndShowsTheAreaAndAClickOpensTheEditor)
{
    QTemporaryDir home;
    RunningApp program(home, {}, "{}");
    ASSERT_TRUE(program.recording()) << program.output().toStdString();
    ASSERT_TRUE(captureArea(program, { 400, 300 }, { 900, 600 })) << program.output().toStdString();
    ASSERT_TRUE(spinUntil([&] { return screenshots(program).size() == 1; }, 8000))
        << program.output().toStdString();
    static const QRegularExpression dated(
        QStringLiteral(R"(^Скриншот \d{4}-\d{2}-\d{2} в \d{2}\.\d{2}\.\d{2}\.png$)"));
    const QString name = screenshots(program)[0];
    EXPECT_TRUE(dated.match(name).hasMatch()) << name.toStdString();
    const QString path = program.desktop() + u'/' + name;
    const QImage saved(path);
    ASSERT_FALSE(saved.isNull());
    EXPECT_GT(saved.width(), 300);
    EXPECT_GT(saved.height(), 200);
    // Captured into the private temporary folder (DesktopServicesTest), and nothing left there.
    EXPECT_TRUE(QDir(program.temporary()).entryList(QDir::Files).isEmpty());

    // The clipboard may still hold an earlier test's picture until the program's copy replaces it.
    QByteArray copied;
    ASSERT_TRUE(spinUntil(
        [&] {
            copied = clipboardPng();
            return QImage::fromData(copied, "PNG").size() == saved.size();
        },
        5000))
        << "the clipboard holds " << copied.size() << " bytes";

    // The thumbnail rests in the bottom-right corner (its size is ThumbnailPanelTest's).
    std::optional<QRect> thumbnail;
    ASSERT_TRUE(spinUntil(
        [&] {
            thumbnail = mappedWindow();
            return thumbnail && thumbnail->right() > 1000;
        },
        3000));

    // A click opens the editor. What it writes back is the screenshot road scenario's, its window on the
    // server EditorClientsTest's.
    const QPoint middle = thumbnail->center();
    ASSERT_TRUE(xdotool({ QStringLiteral("mousemove"), QString::number(middle.x()),
        QString::number(middle.y()), QStringLiteral("click"), QStringLiteral("1") }));
    EXPECT_TRUE(spinUntil([&] { return mappedWindow(QStringLiteral("Скриншот")).has_value(); }, 5000))
        << program.output().toStdString();
}

TEST_F(DesktopScreenshot, TheShotHoldsNoPointerAndTheToolKeepsItsMessagesToItself)
{
    QTemporaryDir home;
    RunningApp program(home, {}, "{}");
    ASSERT_TRUE(program.recording()) << program.output().toStdString();
    auto plain = DesktopSession::startWindow({ QStringLiteral("drop") });
    ASSERT_TRUE(plain);
    const QList<QByteArray> frame = plain->ready.split(' ');
    ASSERT_EQ(frame.size(), 4);
    const QPoint window(frame[0].toInt(), frame[1].toInt());

    // Dragged up from the bottom right, the selection ends with the pointer at its top left corner, where
    // the arrow reaches into the area.
    ASSERT_TRUE(captureArea(program, window + QPoint(200, 140), window + QPoint(40, 40)))
        << program.output().toStdString();
    ASSERT_TRUE(spinUntil([&] { return screenshots(program).size() == 1; }, 8000))
        << program.output().toStdString();
    const QImage saved
        = QImage(program.desktop() + u'/' + screenshots(program)[0]).convertToFormat(QImage::Format_RGB32);
    ASSERT_GT(saved.width(), 100);
    ASSERT_GT(saved.height(), 60);
    // Nothing but the window's plain background, leaving out the rim the selection outline may have left
    // before the window painted over it.
    const QRgb background = saved.pixel(saved.width() / 2, saved.height() / 2);
    int pointerPixels = 0;
    for (int y = 3; y < 40; ++y)
        for (int x = 3; x < 40; ++x)
            pointerPixels += saved.pixel(x, y) != background;
    EXPECT_EQ(pointerPixels, 0);

    // A selection cancelled with the right button says nothing either.
    DesktopSession::spin(500);
    ASSERT_TRUE(startCapture(program, window + QPoint(40, 40)));
    ASSERT_TRUE(xdotool({ QStringLiteral("mousedown"), QStringLiteral("3") }));
    DesktopSession::spin(300);
    ASSERT_TRUE(xdotool({ QStringLiteral("mouseup"), QStringLiteral("3") }));
    ASSERT_TRUE(spinUntil([&] { return !childRuns(program.processId(), "maim"); }, 5000));
    DesktopSession::spin(300);
    static const QRegularExpression toolsOwn(
        QStringLiteral("^(Failed to detect a compositor|Selection was cancelled|Maim encountered)"),
        QRegularExpression::MultilineOption);
    EXPECT_FALSE(program.output().contains(toolsOwn)) << program.output().toStdString();
    EXPECT_EQ(screenshots(program).size(), 1);
}

TEST_F(DesktopScreenshot, DraggingTheThumbnailDropsTheSavedFileOrElseThePicture)
{
    for (const bool save : { true, false }) {
        SCOPED_TRACE(save ? "saved" : "not saved");
        QTemporaryDir home;
        RunningApp program(home, {}, save ? "{}" : R"({"screenshotSave": false})");
        ASSERT_TRUE(program.recording()) << program.output().toStdString();
        auto target = DesktopSession::startWindow({ QStringLiteral("drop") });
        ASSERT_TRUE(target);

        ASSERT_TRUE(captureArea(program, { 500, 400 }, { 800, 600 })) << program.output().toStdString();
        std::optional<QRect> thumbnail;
        ASSERT_TRUE(spinUntil(
            [&] {
                thumbnail = mappedWindow();
                return thumbnail && thumbnail->right() > 1000;
            },
            8000));
        ASSERT_EQ(screenshots(program).size(), save ? 1 : 0);
        const QSize picture = QImage::fromData(clipboardPng(), "PNG").size();
        DesktopSession::spin(400);

        const QList<QByteArray> frame = target->ready.split(' ');
        ASSERT_EQ(frame.size(), 4);
        const QPoint drop(frame[0].toInt() + frame[2].toInt() / 2, frame[1].toInt() + frame[3].toInt() / 2);
        const QPoint start = thumbnail->center();
        ASSERT_TRUE(
            xdotool({ QStringLiteral("mousemove"), QString::number(start.x()), QString::number(start.y()) }));
        ASSERT_TRUE(xdotool({ QStringLiteral("mousedown"), QStringLiteral("1") }));
        for (int step = 1; step <= 12; ++step) {
            const QPoint at = start + (drop - start) * step / 12;
            ASSERT_TRUE(
                xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()) }));
            DesktopSession::spin(50);
        }
        ASSERT_TRUE(xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") }));
        const QByteArray expected = save ? "drop uris "
                + QUrl::fromLocalFile(program.desktop() + u'/' + screenshots(program)[0]).toEncoded()
                                         : "drop image " + QByteArray::number(picture.width()) + ' '
                + QByteArray::number(picture.height());
        EXPECT_TRUE(spinUntil(
            [&] {
                target->read();
                return target->output.contains("drop");
            },
            5000))
            << program.output().toStdString();
        EXPECT_EQ(target->output.trimmed().toStdString(), expected.toStdString());
        EXPECT_TRUE(spinUntil([&] { return !mappedWindow().has_value(); }, 3000))
            << "an accepted drop closes it";
    }
}

TEST_F(DesktopScreenshot, TheScreenshotShortcutPressedInTheOpenTrayMenuClosesItAndCaptures)
{
    TrayStandIn tray;
    QTemporaryDir home;
    // Ctrl+Shift+D, as the settings window records it.
    RunningApp program(home, {},
        R"({"GlobalShortcuts_zodezododAzavadazur": "{\"carbonKeyCode\":2,\"carbonModifiers\":768}"})");
    ASSERT_TRUE(program.recording()) << program.output().toStdString();
    ASSERT_TRUE(spinUntil([&] { return tray.serve() && programWindows().size() == 1; }, 5000))
        << "the tray icon shows\n"
        << program.output().toStdString();

    // A click on the icon opens the menu, which holds the keyboard and the pointer while it is open.
    ASSERT_TRUE(xdotool({ QStringLiteral("mousemove"), QStringLiteral("10"), QStringLiteral("10"),
        QStringLiteral("click"), QStringLiteral("1") }));
    ASSERT_TRUE(spinUntil([&] { return programWindows().size() == 2; }, 5000)) << "the menu opens";
    DesktopSession::spin(300);
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("ctrl+shift+d") }));
    EXPECT_TRUE(spinUntil([&] { return programWindows().size() == 1; }, 3000)) << "the menu closed";
    ASSERT_TRUE(dragArea(program, { 500, 400 }, { 800, 600 })) << program.output().toStdString();
    EXPECT_TRUE(spinUntil([&] { return screenshots(program).size() == 1; }, 8000))
        << program.output().toStdString();
}

} // namespace
