#include "Screenshots/ScreenCapture.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/Desktop/AreaCaptureCommand.h"
#include "Platform/Simulated/ProcessesSimulated.h"
#include "TestSupport/TemporaryHome.h"

#include <QImage>

#include <tuple>

#include <gtest/gtest.h>

namespace {

struct Capture {
    VirtualScheduler scheduler;
    ProcessesSimulated processes { scheduler };
    TemporaryHome home;
    QString path = home.file(QStringLiteral("DrimoCopy-1.png"));
    std::vector<bool> results;

    void run(bool sound)
    {
        ScreenCapture::captureArea(
            path, sound, processes, scheduler, [this](bool captured) { results.push_back(captured); });
    }
};

} // namespace

TEST(ScreenCapture, RunsTheToolWithTheExactCommandLine)
{
    Capture capture;
    capture.run(false);
    capture.run(true);
    capture.scheduler.runDue();
    // Without the sound, the screenshot road scenario's transcript.
    ASSERT_EQ(capture.processes.started().size(), 2u);
    EXPECT_EQ(capture.processes.started()[1].arguments, (QStringList { "-i", "-o", capture.path }));

    const QString spaced = QStringLiteral("/tmp/a folder/Скриншот 1.png");
    EXPECT_EQ(ScreenCapture::arguments(spaced, false).last(), spaced)
        << "the plain path, not percent-encoded";
}

TEST(ScreenCapture, ReportsWhetherTheToolLeftAFileAndResumesOnce)
{
    Capture capture;
    capture.processes.setCaptureDuration(3);
    capture.processes.captureWritesPng(QSize(64, 48));
    capture.run(false);
    EXPECT_TRUE(ScreenCapture::isRunning());
    capture.scheduler.advance(2.9);
    EXPECT_TRUE(capture.results.empty()) << "the caller waits while the user selects";
    capture.scheduler.advance(0.2);
    ASSERT_EQ(capture.results, std::vector<bool> { true });
    EXPECT_FALSE(ScreenCapture::isRunning());
    EXPECT_EQ(QImage(capture.path).size(), QSize(64, 48));

    // A cancelled selection is the screenshot-cancel scenario's. A tool that cannot start: false, later and
    // once.
    capture.processes.captureCannotStart();
    capture.run(false);
    EXPECT_EQ(capture.results.size(), 1u) << "never resumed inside the call";
    EXPECT_TRUE(ScreenCapture::isRunning());
    capture.scheduler.advance(10);
    EXPECT_EQ(capture.results, (std::vector<bool> { true, false }));
    EXPECT_FALSE(ScreenCapture::isRunning());
    EXPECT_EQ(capture.processes.runningCount(), 0);
}

TEST(ScreenCapture, ASelectionLeftOpenForTenMinutesIsAbandoned)
{
    Capture capture;
    capture.processes.setCaptureDuration(2 * ScreenCapture::longestCapture);
    capture.processes.captureWritesPng(QSize(10, 10));
    capture.run(false);
    capture.scheduler.advance(ScreenCapture::longestCapture - 1);
    EXPECT_TRUE(capture.results.empty());
    EXPECT_TRUE(ScreenCapture::isRunning());
    capture.scheduler.advance(1);
    EXPECT_EQ(capture.results, std::vector<bool> { false });
    EXPECT_FALSE(ScreenCapture::isRunning());
    EXPECT_EQ(capture.processes.runningCount(), 0);

    // A tool that ends in time is not stopped later.
    capture.processes.setCaptureDuration(1);
    capture.processes.captureWritesPng(QSize(10, 10));
    capture.run(false);
    capture.scheduler.advance(2 * ScreenCapture::longestCapture);
    EXPECT_EQ(capture.results, (std::vector<bool> { false, true }));
}

TEST(AreaCaptureCommand, TakesTheFirstInstalledToolThatSeesTheScreen)
{
    const QString path = QStringLiteral("/tmp/it's \"$(rm -rf)\".png");
    auto only = [](QStringList installed) {
        return [installed](const QString& program) { return installed.contains(program); };
    };
    using Command = AreaCaptureCommand::Command;
    using Session = AreaCaptureCommand::Session;

    auto all = AreaCaptureCommand::choose(path, Session::X11, [](const QString&) { return true; });
    ASSERT_TRUE(all);
    EXPECT_EQ(all->program, QStringLiteral("spectacle"));
    EXPECT_EQ(all->arguments, (QStringList { "-b", "-n", "-r", "-o", path }));

    const std::vector<std::tuple<Session, QStringList, QStringList>> table {
        { Session::X11, { "gnome-screenshot", "maim" }, { "gnome-screenshot", "-a", "-f", path } },
        { Session::X11, { "scrot", "maim" }, { "maim", "-s", "-u", "-q", path } },
        { Session::X11, { "flameshot", "scrot" }, { "scrot", "-s", "-o", "-z", path } },
        { Session::X11, { "flameshot", "grim", "slurp" }, { "flameshot", "gui", "-p", path } },
        // Under KWin or mutter the X11 tools would see only Xwayland's windows.
        { Session::Wayland, { "maim", "scrot", "flameshot" }, { "flameshot", "gui", "-p", path } },
        { Session::Wayland, { "maim", "spectacle" }, { "spectacle", "-b", "-n", "-r", "-o", path } },
    };
    for (const auto& [session, installed, arguments] : table) {
        const auto chosen = AreaCaptureCommand::choose(path, session, only(installed));
        ASSERT_TRUE(chosen) << installed.join(' ').toStdString();
        EXPECT_EQ(QStringList { chosen->program } + chosen->arguments, arguments)
            << installed.join(' ').toStdString();
    }

    const auto grim = AreaCaptureCommand::choose(
        path, Session::WaylandScreencopy, only({ "maim", "spectacle", "grim", "slurp" }));
    ASSERT_TRUE(grim);
    EXPECT_EQ(*grim,
        (Command { "/bin/sh", { "-c", R"sh(grim -g "$(slurp)" "$1")sh", "drimo-capture", path },
            { "grim", "slurp" } }));
    EXPECT_FALSE(grim->arguments[1].contains(path)) << "the path never becomes shell text";
    EXPECT_FALSE(AreaCaptureCommand::choose(path, Session::X11, only({ "grim", "slurp" })))
        << "grim needs wlroots";
    EXPECT_FALSE(AreaCaptureCommand::choose(path, Session::Wayland, only({ "grim", "slurp", "maim" })));
    EXPECT_FALSE(AreaCaptureCommand::choose(path, Session::WaylandScreencopy, only({ "grim" })))
        << "grim alone cannot select";
}
