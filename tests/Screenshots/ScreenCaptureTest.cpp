#include "Screenshots/ScreenCapture.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/Desktop/AreaCaptureCommand.h"
#include "Platform/Simulated/ProcessesSimulated.h"
#include "Platform/Simulated/WorkspaceSimulated.h"
#include "TestSupport/TemporaryHome.h"

#include <QFileInfo>
#include <QImage>

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
    ASSERT_EQ(capture.processes.started().size(), 2u);
    EXPECT_EQ(capture.processes.started()[0].program, QStringLiteral("/usr/sbin/screencapture"));
    EXPECT_EQ(capture.processes.started()[0].arguments, (QStringList { "-i", "-o", "-x", capture.path }));
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

    // A cancelled selection: the tool exits normally but writes nothing.
    QFile::remove(capture.path);
    capture.run(true);
    capture.scheduler.advance(5);
    EXPECT_EQ(capture.results, (std::vector<bool> { true, false }));
    EXPECT_FALSE(QFileInfo::exists(capture.path));

    // A tool that cannot start: false, later and once.
    capture.processes.captureCannotStart();
    capture.run(false);
    EXPECT_EQ(capture.results.size(), 2u) << "never resumed inside the call";
    EXPECT_TRUE(ScreenCapture::isRunning());
    capture.scheduler.advance(10);
    EXPECT_EQ(capture.results, (std::vector<bool> { true, false, false }));
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

TEST(ProcessesSimulated, ATerminatedCaptureToolWritesNothingAndReportsASignal)
{
    Capture capture;
    capture.processes.setCaptureDuration(5);
    capture.processes.captureWritesPng(QSize(10, 10));
    std::vector<int> statuses;
    auto tool = capture.processes.start(
        ProcessesSimulated::captureTool, { capture.path }, [&](int status) { statuses.push_back(status); });
    ASSERT_TRUE(tool);
    EXPECT_TRUE(tool->isRunning());
    tool->terminate();
    capture.scheduler.runDue();
    EXPECT_FALSE(tool->isRunning());
    EXPECT_EQ(statuses, std::vector<int> { -1 });
    EXPECT_FALSE(QFileInfo::exists(capture.path));
    capture.scheduler.advance(10);
    EXPECT_EQ(statuses.size(), 1u);
}

TEST(ScreenCapture, OpensTheScreenRecordingPrivacyPane)
{
    WorkspaceSimulated workspace;
    ScreenCapture::openSettings(workspace);
    ASSERT_EQ(workspace.openedUrls().size(), 1);
    EXPECT_EQ(workspace.openedUrls()[0].toString(),
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"));
}

TEST(AreaCaptureCommand, TakesTheFirstInstalledToolInOrder)
{
    const QString path = QStringLiteral("/tmp/it's \"$(rm -rf)\".png");
    auto only = [](QStringList installed) {
        return [installed](const QString& program) { return installed.contains(program); };
    };
    using Command = AreaCaptureCommand::Command;

    auto all = AreaCaptureCommand::choose(path, true, [](const QString&) { return true; });
    ASSERT_TRUE(all);
    EXPECT_EQ(all->program, QStringLiteral("spectacle"));
    EXPECT_EQ(all->arguments, (QStringList { "-b", "-n", "-r", "-o", path }));

    const std::vector<std::pair<QStringList, QStringList>> table {
        { { "gnome-screenshot", "maim" }, { "gnome-screenshot", "-a", "-f", path } },
        { { "scrot", "maim" }, { "maim", "-s", "-u", "-q", path } },
        { { "flameshot", "scrot" }, { "scrot", "-s", "-o", "-z", path } },
        { { "flameshot", "grim", "slurp" }, { "flameshot", "gui", "-p", path } },
    };
    for (const auto& [installed, arguments] : table) {
        const auto chosen = AreaCaptureCommand::choose(path, true, only(installed));
        ASSERT_TRUE(chosen) << installed.join(' ').toStdString();
        EXPECT_EQ(QStringList { chosen->program } + chosen->arguments, arguments)
            << installed.join(' ').toStdString();
    }

    const auto grim = AreaCaptureCommand::choose(path, true, only({ "grim", "slurp" }));
    ASSERT_TRUE(grim);
    EXPECT_EQ(*grim,
        (Command { "/bin/sh", { "-c", R"sh(grim -g "$(slurp)" "$1")sh", "drimo-capture", path },
            { "grim", "slurp" } }));
    EXPECT_FALSE(grim->arguments[1].contains(path)) << "the path never becomes shell text";
    EXPECT_FALSE(AreaCaptureCommand::choose(path, false, only({ "grim", "slurp" }))) << "grim needs wlroots";
    EXPECT_FALSE(AreaCaptureCommand::choose(path, true, only({ "grim" }))) << "grim alone cannot select";
    EXPECT_FALSE(AreaCaptureCommand::choose(path, true, only({})));
}
