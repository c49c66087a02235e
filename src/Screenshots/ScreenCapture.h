#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class Processes;
class Scheduler;
class Workspace;
struct Platform;

// Runs the system's interactive area-capture tool and reports whether it produced a file.
namespace ScreenCapture {

inline const QString toolPath = QStringLiteral("/usr/sbin/screencapture");
inline const QUrl settingsUrl
    = QUrl(QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"));

// "-i" interactive selection, "-o" no window shadow, "-x" no shutter sound, then the plain path.
QStringList arguments(const QString& path, bool sound);

// A selection left open longer than this is abandoned: the tool is asked to stop, and reports as it ends.
inline constexpr double longestCapture = 600;

// Captures an area into `path`. `completion` runs exactly once, on the main thread and never inside this
// call: true when a file exists at `path` after the tool has exited, false when the tool could not start
// or exited without writing one (a cancelled selection). The tool's exit status is not looked at.
void captureArea(const QString& path, bool sound, Processes& processes, Scheduler& scheduler,
    std::function<void(bool captured)> completion);

// True while a capture started here has not reported back yet.
bool isRunning();

// Opens the screen-recording pane of the privacy settings.
void openSettings(Workspace& workspace);
// The same where the platform has such a pane; elsewhere opens nothing and says so in the log.
void openSettings(const Platform& platform);

} // namespace ScreenCapture
