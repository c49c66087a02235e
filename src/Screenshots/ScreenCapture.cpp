#include "Screenshots/ScreenCapture.h"

#include "Foundation/Scheduler.h"
#include "Platform/Platform.h"
#include "Platform/Processes.h"
#include "Platform/ScreenAccess.h"
#include "Platform/SystemLog.h"
#include "Platform/Workspace.h"

#include <QFileInfo>

#include <memory>

namespace ScreenCapture {

namespace {

// The capture in progress, from just before the tool starts until the caller has been told the result.
std::shared_ptr<Processes::Running> running;
bool captureInProgress = false;
// Ends a tool that never exits: until it does, no other screenshot can start.
TaskHandle deadline;

} // namespace

QStringList arguments(const QString& path, bool sound)
{
    QStringList list { QStringLiteral("-i"), QStringLiteral("-o") };
    if (!sound)
        list << QStringLiteral("-x");
    list << path;
    return list;
}

void captureArea(const QString& path, bool sound, Processes& processes, Scheduler& scheduler,
    std::function<void(bool captured)> completion)
{
    running.reset();
    captureInProgress = true;
    // Whichever comes first, the exit or the start failure, resumes the caller; the other finds it gone.
    auto resume = std::make_shared<std::function<void(bool)>>(std::move(completion));
    auto finish = [resume](bool captured) {
        if (!*resume)
            return;
        auto callback = std::move(*resume);
        *resume = nullptr;
        running.reset();
        deadline.cancel();
        captureInProgress = false;
        callback(captured);
    };

    running = processes.start(
        toolPath, arguments(path, sound), [finish, path](int) { finish(QFileInfo(path).isFile()); });
    if (!running) {
        scheduler.post([finish] { finish(false); });
        return;
    }
    std::weak_ptr<Processes::Running> tool = running;
    deadline = scheduler.after(longestCapture, [tool](bool cancelled) {
        if (auto process = tool.lock(); process && !cancelled)
            process->terminate();
    });
}

bool isRunning()
{
    return captureInProgress;
}

void openSettings(Workspace& workspace)
{
    if (settingsUrl.isValid())
        workspace.openUrl(settingsUrl);
}

void openSettings(const Platform& platform)
{
    if (platform.screenAccess.hasSettings()) {
        openSettings(platform.workspace);
        return;
    }
    platform.log.write(QStringLiteral(
        "screen recording needs no permission on this desktop: there are no settings to open for it"));
}

} // namespace ScreenCapture
