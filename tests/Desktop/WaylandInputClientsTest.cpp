#include "Desktop/DesktopSession.h"
#include "Desktop/RunningApp.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The program itself in a sway session, as a native Wayland client, with native clients around it: the
// picker opened by the command a desktop binds to a key, worked with keys typed by wtype, pasting through
// the compositor's virtual keyboard; the area screenshot through grim. sway only: KWin has no virtual
// keyboard, wtype or grim.
namespace {

using DesktopSession::spinUntil;

class WaylandInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("DRIMO_TEST_WAYLAND_DISPLAY"))
            GTEST_SKIP() << "no Wayland compositor";
        if (qgetenv("DRIMO_TEST_COMPOSITOR") != "sway")
            GTEST_SKIP() << "needs sway's virtual keyboard and screen capture";
        ASSERT_TRUE(home.isValid() && tools.isValid());
        environment = { { QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland") },
            { QStringLiteral("WAYLAND_DISPLAY"), qEnvironmentVariable("DRIMO_TEST_WAYLAND_DISPLAY") },
            { QStringLiteral("PATH"), tools.path() + u':' + qEnvironmentVariable("PATH") } };
        // Nobody drags a selection here: slurp's stand-in selects a fixed area.
        QFile slurp(tools.filePath(QStringLiteral("slurp")));
        ASSERT_TRUE(slurp.open(QIODevice::WriteOnly));
        slurp.write("#!/bin/sh\necho '20,30 160x90'\n");
        slurp.close();
        slurp.setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        program = std::make_unique<RunningApp>(home, environment);
        ASSERT_TRUE(program->recording()) << program->output().toStdString();
    }

    // A later start handing `argument` to the running program, as a key bound in the desktop would.
    void command(const QString& argument)
    {
        RunningApp later(home, environment, {}, false);
        ASSERT_TRUE(later.start({ argument }));
        ASSERT_EQ(later.exitCode(5000), 0) << later.output().toStdString();
    }

    // Keys typed by wtype into the window with the keyboard. Its keyboard is new each time, and the
    // compositor may drop the first key of a new keyboard: a Shift, which means nothing to anyone, goes
    // first.
    static void type(const QStringList& keys)
    {
        QStringList arguments { QStringLiteral("-k"), QStringLiteral("Shift_L") };
        for (const auto& key : keys)
            arguments << QStringLiteral("-k") << key;
        ASSERT_TRUE(DesktopSession::run(QStringLiteral("wtype"), arguments));
    }

    // Copies with wl-copy; whether the program recorded it (its recording has tests of its own).
    bool copy(const QByteArray& text)
    {
        const auto before = program->history().size();
        return DesktopSession::run(QStringLiteral("wl-copy"), {}, text)
            && spinUntil([&] { return program->history().size() > before; });
    }

    QTemporaryDir home;
    QTemporaryDir tools;
    RunningApp::Environment environment;
    std::unique_ptr<RunningApp> program;
};

} // namespace

// Down and Return in the picker paste the second entry into the native field it opened over; chosen after
// the field's application has gone, the entry is still put on the clipboard and nothing is lost.
TEST_F(WaylandInput, ThePickerPastesIntoANativeFieldAndLosesNothingWhenTheFieldIsGone)
{
    if (!copy("первая") || !copy("вторая"))
        GTEST_SKIP() << "this build records no Wayland copies: nothing to choose";
    auto field = std::make_unique<QProcess>();
    auto fieldEnvironment = QProcessEnvironment::systemEnvironment();
    fieldEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    fieldEnvironment.insert(QStringLiteral("DRIMO_CLIENT_SHOW_FOCUS"), QStringLiteral("1"));
    field->setProcessEnvironment(fieldEnvironment);
    field->start(QStringLiteral(DESKTOP_CLIENT), { QStringLiteral("text"), QString(), QStringLiteral("0") });
    QByteArray said;
    const auto fieldSays = [&](const QByteArray& text) {
        return spinUntil(
            [&] {
                said += field->readAllStandardOutput();
                return said.contains(text);
            },
            10000);
    };
    ASSERT_TRUE(fieldSays("focus in")) << said.toStdString();

    said.clear();
    command(QStringLiteral("--show-history"));
    ASSERT_TRUE(fieldSays("focus out")) << "the picker takes the keyboard";
    type({ QStringLiteral("Down"), QStringLiteral("Return") });
    EXPECT_TRUE(fieldSays("text первая")) << said.toStdString() << program->output().toStdString();
    EXPECT_FALSE(said.contains("вторая"));

    said.clear();
    command(QStringLiteral("--show-history"));
    ASSERT_TRUE(fieldSays("focus out"));
    field->kill();
    field->waitForFinished();
    type({ QStringLiteral("Down"), QStringLiteral("Return") });
    EXPECT_TRUE(spinUntil([&] {
        return DesktopSession::run(QStringLiteral("wl-paste"), { QStringLiteral("--no-newline") })
            == QByteArray("вторая");
    })) << program->output().toStdString();
    EXPECT_EQ(program->history().size(), 2u);
    EXPECT_TRUE(program->started()) << "still running";
}

TEST_F(WaylandInput, AnAreaScreenshotThroughGrimIsSaved)
{
    command(QStringLiteral("--take-screenshot"));
    QStringList shots;
    EXPECT_TRUE(spinUntil(
        [&] {
            shots = QDir(program->desktop()).entryList({ QStringLiteral("*.png") }, QDir::Files);
            return !shots.isEmpty();
        },
        10000))
        << program->output().toStdString();
    if (!shots.isEmpty()) {
        EXPECT_EQ(QImage(program->desktop() + u'/' + shots[0]).size(), QSize(160, 90));
    }
}
