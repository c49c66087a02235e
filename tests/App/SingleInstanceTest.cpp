#include "App/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString uniqueName()
{
    return QStringLiteral("drimo-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

// A later start hands its request to the running one, which takes it once it has arrived whole; a line that
// is no request is refused and does nothing.
TEST(SingleInstanceTest, SecondStartHandsItsRequestToTheRunningInstance)
{
    const QString name = uniqueName();
    SingleInstance first(name);
    std::vector<SingleInstance::Request> requests;
    first.onRequest = [&](SingleInstance::Request request) { requests.push_back(request); };
    EXPECT_FALSE(first.handOverToRunning());
    EXPECT_TRUE(first.isListening());

    // The later start blocks while it waits for the answer, so it runs in its own process as it would
    // in life; this process keeps serving its event loop meanwhile.
    for (int start = 1; start <= 2; ++start) {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DRIMO_SINGLE_INSTANCE_NAME"), name);
        if (start == 2)
            env.insert(QStringLiteral("DRIMO_SINGLE_INSTANCE_REQUEST"), QStringLiteral("history"));
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(SINGLE_INSTANCE_CLIENT), {});
        ASSERT_TRUE(second.waitForStarted(5000));
        QElapsedTimer waited;
        waited.start();
        while (second.state() != QProcess::NotRunning && waited.elapsed() < 15000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_EQ(second.state(), QProcess::NotRunning);
        EXPECT_EQ(second.exitCode(), 0) << second.readAll().constData();
        EXPECT_EQ(requests.size(), std::size_t(start));
    }
    EXPECT_EQ(requests,
        (std::vector { SingleInstance::Request::ShowSettings, SingleInstance::Request::ShowHistory }));

    QLocalSocket stranger;
    stranger.connectToServer(name);
    ASSERT_TRUE(stranger.waitForConnected(3000));
    for (const QByteArray& bytes : { QByteArray("scr"), QByteArray("eenshot\n"), QByteArray("rm -rf\n") }) {
        stranger.write(bytes);
        stranger.flush();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(requests.back(), SingleInstance::Request::TakeScreenshot)
        << "a request in two pieces counts once whole";
    EXPECT_EQ(requests.size(), 3u) << "a line that is no request does nothing";
}

TEST(SingleInstanceTest, ASocketLeftByACrashedInstanceIsTakenOver)
{
    const QString name = uniqueName();
    // What a killed instance leaves: the socket file stays and nobody answers on it.
    const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));

    SingleInstance instance(name);
    EXPECT_FALSE(instance.handOverToRunning(300));
    EXPECT_TRUE(instance.isListening());
}

TEST(SingleInstanceTest, EachHistoryHasASocketOfItsOwnInTheRuntimeFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("a/com.drimo.copy")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("b/com.drimo.copy")));
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("a")), root.filePath(QStringLiteral("link"))));
    const QString runtime = root.filePath(QStringLiteral("run"));
    const QString a = SingleInstance::socketPath(runtime, root.filePath(QStringLiteral("a/com.drimo.copy")));

    EXPECT_TRUE(a.startsWith(runtime + u'/')) << a.toStdString();
    // A socket path has room for 107 bytes; the name must leave most of it to the folder.
    EXPECT_LT(a.size() - runtime.size(), 40);
    for (const QString& same : { QStringLiteral("a/com.drimo.copy/"), QStringLiteral("b/../a/com.drimo.copy"),
             QStringLiteral("link/com.drimo.copy") })
        EXPECT_EQ(SingleInstance::socketPath(runtime + u'/', root.filePath(same)), a) << same.toStdString();
    EXPECT_NE(SingleInstance::socketPath(runtime, root.filePath(QStringLiteral("b/com.drimo.copy"))), a);
    // A history folder not made yet still has its name.
    EXPECT_NE(SingleInstance::socketPath(runtime, root.filePath(QStringLiteral("c/com.drimo.copy"))), a);
}
