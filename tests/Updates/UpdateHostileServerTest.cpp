#include "Updates/UpdateChecker.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/EventLoopScheduler.h"
#include "Foundation/Sha256.h"
#include "Platform/Desktop/BundleInfoDesktop.h"
#include "Platform/Desktop/BundleReplacementDesktop.h"
#include "Platform/Desktop/CodeSigningDesktop.h"
#include "Platform/Desktop/DiskImagesDesktop.h"
#include "Platform/Desktop/HttpClientDesktop.h"
#include "Platform/Simulated/SimulatedPlatform.h"

#include "TestSupport/LocalHttpsServer.h"
#include "TestSupport/ReleaseBuilder.h"
#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSslCertificate>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

// The real network, archive, signature and swap services against a local HTTPS server that misbehaves in
// every way a hostile one could. Only the user (alerts) and the relaunch are simulated.
namespace {

using namespace ReleaseBuilder;

const QString checkFailed = QStringLiteral("Не удалось проверить обновления");
const QString installFailed = QStringLiteral("Не удалось установить обновление.");
const QString corrupted = QStringLiteral("Данные об обновлении повреждены.");
const QString downloadFailed = QStringLiteral("Не удалось скачать обновление.");
const QString mismatch
    = QStringLiteral("Скачанный файл не совпал с опубликованным. Скачайте обновление в браузере.");
const QString wrongSigner = QStringLiteral("Обновление подписано не тем сертификатом. Установка отменена.");

// The server, its certificate and the release key, shared by every case.
struct Server {
    TemporaryHome home;
    QString root = home.path() + QStringLiteral("/www");
    LocalHttpsServer https;
    Key key;
    Key otherKey;

    bool start() { return QDir().mkpath(root) && https.start(home.path(), root); }
};

Server* server = nullptr;

class UpdateHostileServerTest : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        server = new Server;
        if (!server->start()) {
            delete server;
            server = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        if (!server)
            GTEST_SKIP() << "no python3 or openssl to run the local HTTPS server";
        static int counter = 0;
        caseName = QStringLiteral("case%1").arg(++counter);
        site = server->root + u'/' + caseName;
        QDir().mkpath(site + QStringLiteral("/downloads"));
        installed = home.path() + QStringLiteral("/opt/drimo-copy");
        makeBundle(installed, server->key, "1.0");
        installedManifest = TemporaryHome::readFile(installed + QStringLiteral("/bundle.manifest"));
        http.addTrustedCertificates(QSslCertificate::fromPath(server->https.certificate()));
        bundle
            = std::make_unique<BundleInfoDesktop>(QString(), installed + QStringLiteral("/bin/drimo-copy"));
        signing = std::make_unique<CodeSigningDesktop>(server->key.publicKey());
        checker = std::make_unique<UpdateChecker>(machine.platform({ .bundle = bundle.get(),
                                                      .http = &http,
                                                      .diskImages = &diskImages,
                                                      .codeSigning = signing.get(),
                                                      .bundleReplacement = &replacement }),
            QUrl(QStringLiteral("https://127.0.0.1:%1/%2").arg(server->https.port()).arg(caseName)));
        UpdateChecker::Limits limits;
        limits.feedTimeout = 3;
        limits.imageTimeout = 5;
        limits.maximumImageBytes = 4 * 1024 * 1024;
        checker->setLimits(limits);
    }

    QString file(const QString& path) const { return site + u'/' + path; }
    void put(const QString& path, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(file(path)).path());
        AtomicFile::write(file(path), bytes);
    }
    QString imagePath(const QString& version) const
    {
        return QStringLiteral("downloads/Drimo-Copy-") + version + diskImages.nameSuffix();
    }
    // Publishes `archive` as the release `version`, announced with `digest` (its own by default).
    void publish(const QString& version, const QByteArray& archive, const QString& digest = {})
    {
        put(imagePath(version), archive);
        put(QStringLiteral("release.json"),
            QStringLiteral(R"({"version":"%1","sha256":"%2"})")
                .arg(version, digest.isEmpty() ? QString::fromLatin1(Sha256::hexDigest(archive)) : digest)
                .toUtf8());
    }
    // A bundle of `version` signed with `key` (ours by default), packed as the release tool packs it.
    QByteArray release(
        const QByteArray& version, const Key* key = nullptr, const QByteArray& identifier = "com.drimo.copy")
    {
        const QString folder = home.path() + QStringLiteral("/build-") + QString::number(++builds);
        makeBundle(folder, key ? *key : server->key, version, identifier);
        return gzip(archive(entriesOf(folder, "Drimo Copy.app")));
    }

    // Runs a manual check, accepting the offer when one comes, until the alerts stop or the time is up.
    void check()
    {
        machine.alerts.queueAnswer(QStringLiteral("Установить и перезапустить"));
        machine.alerts.queueAnswer(QStringLiteral("Позже"));
        bool done = false;
        checker->check(false, [&done] { done = true; });
        QElapsedTimer clock;
        clock.start();
        while (!done && clock.elapsed() < 30'000)
            QTest::qWait(20);
        EXPECT_TRUE(done) << "the check did not end within its time budget";
    }

    // The last alert said `informative` under `message`, and nothing was installed or left behind.
    void expectRefused(const QString& message, const QString& informative)
    {
        ASSERT_FALSE(machine.alerts.alerts().empty());
        EXPECT_EQ(machine.alerts.alerts().back().alert.message, message);
        EXPECT_EQ(machine.alerts.alerts().back().alert.informativeText, informative);
        EXPECT_EQ(TemporaryHome::readFile(installed + QStringLiteral("/bin/drimo-copy")), "program 1.0");
        EXPECT_EQ(TemporaryHome::readFile(installed + QStringLiteral("/bundle.manifest")), installedManifest);
        EXPECT_EQ(
            QDir(home.path() + QStringLiteral("/opt")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("drimo-copy") });
        EXPECT_EQ(
            QDir(machine.paths.temporary()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());
        EXPECT_EQ(machine.lifecycle.terminationCount(), 0);
    }

    TemporaryHome home;
    QString caseName;
    QString site;
    QString installed;
    QByteArray installedManifest;
    int builds = 0;
    EventLoopScheduler scheduler;
    SimulatedPlatform machine { scheduler, home.path() };
    HttpClientDesktop http;
    DiskImagesDesktop diskImages;
    BundleReplacementDesktop replacement;
    std::unique_ptr<BundleInfoDesktop> bundle;
    std::unique_ptr<CodeSigningDesktop> signing;
    std::unique_ptr<UpdateChecker> checker;
};

// A signed release installing and relaunching is the desktop update test's, with the real program on the same
// server, and the update-install scenario's.
TEST_F(UpdateHostileServerTest, BrokenFeedsFailTheCheck)
{
    const struct {
        const char* name;
        std::function<void(UpdateHostileServerTest&)> serve;
    } feeds[] = {
        { "304",
            [](UpdateHostileServerTest& t) {
                t.put("release.json", R"({"version":"9.0"})");
                t.put("release.json.status", "304");
            } },
        { "500",
            [](UpdateHostileServerTest& t) {
                t.put("release.json", R"({"version":"9.0"})");
                t.put("release.json.status", "500");
            } },
        { "garbage",
            [](UpdateHostileServerTest& t) { t.put("release.json", "\x89PNG\r\n\x1a\n garbage {"); } },
        { "wrong type", [](UpdateHostileServerTest& t) { t.put("release.json", R"({"version":9.0})"); } },
        { "100 MB announced", [](UpdateHostileServerTest& t) { t.put("release.json.huge", "length"); } },
        { "100 MB streamed", [](UpdateHostileServerTest& t) { t.put("release.json.huge", "stream"); } },
        { "trickle",
            [](UpdateHostileServerTest& t) {
                t.put("release.json", R"({"version":"9.0","notes":")" + QByteArray(200, 'a') + "\"}");
                t.put("release.json.trickle", "1");
            } },
        { "redirect to plain HTTP",
            [](UpdateHostileServerTest& t) {
                t.put("release.json.redirect",
                    QStringLiteral("http://127.0.0.1:%1/%2/plain.json")
                        .arg(server->https.port())
                        .arg(t.caseName)
                        .toUtf8());
            } },
    };
    for (const auto& feed : feeds) {
        SCOPED_TRACE(feed.name);
        QDir(site).removeRecursively();
        QDir().mkpath(site);
        machine.alerts = AlertsSimulated();
        QElapsedTimer clock;
        clock.start();
        feed.serve(*this);
        check();
        expectRefused(checkFailed, QStringLiteral("Проверьте подключение к интернету и попробуйте ещё раз."));
        EXPECT_FALSE(machine.defaults.object(UpdateChecker::lastCheckKey));
        EXPECT_LT(clock.elapsed(), 10'000);
    }
}

TEST_F(UpdateHostileServerTest, HostileReleasesNeverInstall)
{
    using Setup = std::function<void(UpdateHostileServerTest&)>;
    const auto rawArchive = [](QByteArrayList entries) -> Setup {
        return [entries](
                   UpdateHostileServerTest& t) { t.publish(QStringLiteral("2.0"), gzip(archive(entries))); };
    };
    const struct {
        const char* name;
        Setup setup;
        QString informative;
    } cases[] = {
        { "digest mismatch in lower case",
            [](UpdateHostileServerTest& t) { t.publish("2.0", t.release("2.0"), QString(64, u'a')); },
            mismatch },
        { "digest mismatch in upper case",
            [](UpdateHostileServerTest& t) { t.publish("2.0", t.release("2.0"), QString(64, u'A')); },
            mismatch },
        { "truncated image",
            [](UpdateHostileServerTest& t) {
                t.publish("2.0", t.release("2.0"));
                t.put(t.imagePath("2.0") + ".truncate", "1");
            },
            downloadFailed },
        { "image redirected to plain HTTP",
            [](UpdateHostileServerTest& t) {
                t.publish("2.0", t.release("2.0"));
                t.put(t.imagePath("2.0") + ".redirect",
                    QStringLiteral("http://127.0.0.1:%1/x.tar.gz").arg(server->https.port()).toUtf8());
            },
            downloadFailed },
        { "image beyond its bound",
            [](UpdateHostileServerTest& t) {
                t.publish("2.0", t.release("2.0"));
                t.put(t.imagePath("2.0") + ".huge", "stream");
            },
            downloadFailed },
        { "archive with ..",
            rawArchive({ entry("Drimo Copy.app/", '5'), entry("Drimo Copy.app/../../evil", '0', "x") }),
            installFailed },
        { "no application", rawArchive({ entry("README", '0', "hello") }), installFailed },
        { "two applications, the first another signer's",
            [](UpdateHostileServerTest& t) {
                const QString first = t.home.path() + "/first";
                const QString second = t.home.path() + "/second";
                makeBundle(first, server->otherKey, "2.0");
                makeBundle(second, server->key, "2.0");
                t.publish("2.0", gzip(archive(entriesOf(first, "A.app") + entriesOf(second, "B.app"))));
            },
            wrongSigner },
        { "another signer",
            [](UpdateHostileServerTest& t) { t.publish("2.0", t.release("2.0", &server->otherKey)); },
            wrongSigner },
        { "wrong identifier",
            [](UpdateHostileServerTest& t) { t.publish("2.0", t.release("2.0", nullptr, "com.evil")); },
            corrupted },
        { "wrong version", [](UpdateHostileServerTest& t) { t.publish("2.0", t.release("2.1")); },
            corrupted },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(site).removeRecursively();
        QDir().mkpath(site);
        machine.alerts = AlertsSimulated();
        c.setup(*this);
        check();
        expectRefused(installFailed, c.informative);
        EXPECT_FALSE(QFileInfo::exists(home.path() + "/evil"));
    }
}

} // namespace
