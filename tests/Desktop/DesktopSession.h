#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// Helpers for tests that drive real X clients (xclip, xdotool, xprop and our own client program).
namespace DesktopSession {

// Whether DISPLAY names an X server that answers (main sets it to the test server or unsets it).
bool displayAvailable();
// Runs `program` to its end, feeding it `input`, while the Qt event loop keeps running; its standard
// output, or nothing when it could not start or failed.
std::optional<QByteArray> run(
    const QString& program, const QStringList& arguments, const QByteArray& input = {});
// Runs xdotool, which drives XTest as a keyboard and a mouse would; false when it failed.
bool xdotool(const QStringList& arguments);
// Keeps the event loop running until `done` holds or `milliseconds` pass; returns `done()`.
bool spinUntil(const std::function<bool()>& done, int milliseconds = 5000);
// Keeps the event loop running for `milliseconds`.
void spin(int milliseconds);

// Whether a window manager runs on the test server (scripts/with-xvfb --window-manager).
bool windowManagerRuns();

// Whether the AT-SPI bus runs (started on demand through the session bus); false without a session bus.
bool accessibilityBusAvailable();

// The test client (tests/Desktop/DesktopClient.cpp) in a window mode, the active window: activated through
// the window manager where one runs, else focused and published as one would; nullptr when it failed.
struct Client {
    std::unique_ptr<QProcess> process;
    unsigned long window = 0;
    QByteArray ready; // what its ready line said after the window's id
    QByteArray output; // everything it printed since it was ready
    void read() { output += process->readAllStandardOutput(); }
    ~Client()
    {
        process->kill();
        process->waitForFinished();
    }
};
// The ids (decimal) of the visible windows xdotool's search finds for `criteria`, such as
// {"--classname", "drimo-copy"}; none when it finds none.
QList<QByteArray> visibleWindows(const QStringList& criteria);
// The one visible window matching `criteria`, once there is exactly one within `milliseconds`; else empty.
QByteArray waitForWindow(const QStringList& criteria, int milliseconds = 8000);

// Makes the window with the id `window` (decimal) the active one, as startWindow does; false when it failed.
bool activate(const QByteArray& window);
std::unique_ptr<Client> startWindow(const QStringList& arguments = { QStringLiteral("window") });
// Starts the client offering each MIME type's file on the clipboard; nullptr when it failed.
std::unique_ptr<QProcess> startOffer(const QStringList& mimeAndFiles);
// Starts tests/Desktop/SilentOwner.cpp owning the clipboard with `count` targets, answering requests for
// data after `delayMs`, or never when it is negative; nullptr when it failed.
std::unique_ptr<QProcess> startSilentOwner(int count, int delayMs = -1);

} // namespace DesktopSession

#define SKIP_WITHOUT_DISPLAY()                                                                               \
    if (!DesktopSession::displayAvailable())                                                                 \
    GTEST_SKIP() << "no X display"
