#include "DesktopSession.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/Sha256.h"
#include "Platform/Desktop/DiskImagesDesktop.h"

#include "TestSupport/LocalHttpsServer.h"
#include "TestSupport/ReleaseBuilder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using DesktopSession::run;
using DesktopSession::spinUntil;
using DesktopSession::xdotool;

namespace {

// The program as built for these tests: it trusts the test's own server and signing key.
#ifdef DRIMO_COPY_TEST_HOOKS
const QString hookedProgram = QStringLiteral(DRIMO_COPY_TEST_HOOKS);
#else
const QString hookedProgram;
#endif

// Copies that program into `folder`/bin as an install folder of `version`, signed with `key`.
bool installProgram(const QString& folder, const ReleaseBuilder::Key& key, const QByteArray& version)
{
    if (!QDir().mkpath(folder + QStringLiteral("/bin"))
        || !QFile::copy(hookedProgram, folder + QStringLiteral("/bin/drimo-copy")))
        return false;
    QFile description(folder + QStringLiteral("/bundle.json"));
    if (!description.open(QIODevice::WriteOnly))
        return false;
    description.write(R"({"identifier":"com.drimo.copy","version":")" + version + "\"}");
    description.close();
    ReleaseBuilder::sign(folder, key);
    return true;
}

QStringList updateLeftovers(const QString& folder)
{
    return QDir(folder).entryList(
        { QStringLiteral("DrimoCopy-update*") }, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

// The whole road on a real desktop: version 1.0, installed and running, finds 2.0 on a local HTTPS server,
// the user accepts, and the signed release replaces the install folder and starts in its place.
TEST(DesktopUpdate, ASignedReleaseServedOverHttpsInstallsAndRelaunches)
{
    SKIP_WITHOUT_DISPLAY();
    if (hookedProgram.isEmpty())
        GTEST_SKIP() << "needs drimo-copy-test-hooks (DRIMO_TEST_HOOKS)";
    QTemporaryDir home;
    const QString installed = home.filePath(QStringLiteral("opt/drimo-copy"));
    const QString executable = installed + QStringLiteral("/bin/drimo-copy");
    const QString staging = home.filePath(QStringLiteral("release"));
    const QString site = home.filePath(QStringLiteral("www"));
    const QString temporary = home.filePath(QStringLiteral("tmp"));
    ReleaseBuilder::Key key;
    ASSERT_TRUE(installProgram(installed, key, "1.0"));
    ASSERT_TRUE(installProgram(staging, key, "2.0"));
    const QByteArray image
        = ReleaseBuilder::gzip(ReleaseBuilder::archive(ReleaseBuilder::entriesOf(staging, "Drimo Copy.app")));
    QDir().mkpath(site + QStringLiteral("/downloads"));
    QDir().mkpath(temporary);
    AtomicFile::write(
        site + QStringLiteral("/downloads/Drimo-Copy-2.0") + DiskImagesDesktop().nameSuffix(), image);
    AtomicFile::write(site + QStringLiteral("/release.json"),
        R"({"version":"2.0","notes":"Проверка","sha256":")" + Sha256::hexDigest(image) + "\"}");

    LocalHttpsServer server;
    ASSERT_TRUE(server.start(home.path(), site));

    QProcess app;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("TMPDIR"), temporary);
    env.insert(
        QStringLiteral("DRIMO_TEST_UPDATE_BASE"), QStringLiteral("https://127.0.0.1:%1").arg(server.port()));
    env.insert(QStringLiteral("DRIMO_TEST_CA_FILE"), server.certificate());
    env.insert(QStringLiteral("DRIMO_TEST_UPDATE_PUBLIC_KEY"), QString::fromLatin1(key.publicKey().toHex()));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(executable, {});
    ASSERT_TRUE(app.waitForStarted(5000));
    const long long first = app.processId();

    // The first background check comes five seconds after the start and offers 2.0; Return takes the
    // default button, "Установить и перезапустить".
    const QByteArray alert
        = DesktopSession::waitForWindow({ QStringLiteral("--pid"), QString::number(first) }, 15'000);
    ASSERT_FALSE(alert.isEmpty()) << "the offer shows\n" << app.readAll().toStdString();
    ASSERT_TRUE(DesktopSession::activate(alert));
    ASSERT_TRUE(xdotool({ QStringLiteral("key"), QStringLiteral("Return") }));
    ASSERT_TRUE(spinUntil([&] { return app.state() == QProcess::NotRunning; }, 15'000))
        << "the program quits to relaunch\n"
        << app.readAll().toStdString();

    EXPECT_TRUE(QFile::exists(installed + QStringLiteral("/bundle.sig")));
    QFile description(installed + QStringLiteral("/bundle.json"));
    EXPECT_TRUE(description.open(QIODevice::ReadOnly) && description.readAll().contains("\"2.0\""));
    EXPECT_EQ(QDir(home.filePath(QStringLiteral("opt"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("drimo-copy") });
    EXPECT_EQ(updateLeftovers(temporary), QStringList());

    std::optional<QByteArray> fresh;
    EXPECT_TRUE(spinUntil(
        [&] {
            fresh = run(QStringLiteral("pgrep"), { QStringLiteral("-x"), QStringLiteral("-f"), executable });
            return fresh.has_value();
        },
        6000))
        << "the new version runs";
    if (fresh) {
        EXPECT_FALSE(fresh->trimmed().split('\n').contains(QByteArray::number(first)));
        for (const QByteArray& pid : fresh->trimmed().split('\n'))
            run(QStringLiteral("kill"), { QString::fromLatin1(pid) });
    }
}
