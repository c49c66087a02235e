#include "Updates/UpdateChecker.h"
#include "Support/AppSettings.h"

#include "Foundation/Sha256.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/Simulated/SimulatedPlatform.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

const QUrl base(QStringLiteral("https://updates.test"));
const QUrl feed(QStringLiteral("https://updates.test/release.json"));

QUrl imageUrl(const QString& version)
{
    return QUrl(QStringLiteral("https://updates.test/downloads/Drimo-Copy-%1-arm64.dmg").arg(version));
}

QString hex(const QString& image)
{
    return QString::fromLatin1(Sha256::hexDigest(DiskImagesSimulated::bytes(image)));
}

// The clock and the home folder, made before the machine that runs on them.
struct Ground {
    TemporaryHome home;
    VirtualScheduler scheduler;
};

// A simulated machine with a checker on it.
struct Machine : Ground, SimulatedPlatform {
    Machine()
        : SimulatedPlatform(scheduler, home.path())
    { }

    void serveFeed(const QString& json) { http.setAnswer(feed, { 200, json.toUtf8(), false }); }
    // A release `version` whose image carries that version, offered with its digest.
    void publish(const QString& version, const QString& digest = {})
    {
        DiskImagesSimulated::Image image;
        image.identifier = QStringLiteral("com.drimo.copy");
        diskImages.declare(version, image);
        http.setAnswer(imageUrl(version), { 200, DiskImagesSimulated::bytes(version), false });
        serveFeed(QStringLiteral(R"({"version":"%1","sha256":"%2"})")
                      .arg(version, digest.isEmpty() ? hex(version) : digest));
    }
    void run(double seconds = 1) { scheduler.advance(seconds); }
    QStringList informativeTexts() const
    {
        QStringList texts;
        for (const auto& record : alerts.alerts())
            texts.append(record.alert.informativeText);
        return texts;
    }
    QStringList temporaryFiles() const
    {
        return QDir(paths.temporary()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    void acceptOffer()
    {
        alerts.queueAnswer(QStringLiteral("Установить и перезапустить"));
        checker.checkNow();
        run();
    }

    UpdateChecker checker { platform(), base };
};

class UpdateCheckerTest : public ::testing::Test, public Machine { };

// The background check that finds nothing newer and the manual one naming the running version are the
// update-latest scenario's.
TEST_F(UpdateCheckerTest, AFailedBackgroundCheckIsSilentAndAnUnavailableReleaseIsNotOffered)
{
    bundle.setShortVersion(QStringLiteral("1.4"));
    http.setAnswer(feed, { 500, R"({"version":"9.0"})", false });
    checker.check(true);
    run();
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_FALSE(defaults.object(UpdateChecker::lastCheckKey));
    serveFeed(QStringLiteral(R"({"version":"99.0","available":false})"));
    checker.checkNow();
    run();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts().back().alert.message, QStringLiteral("Установлена последняя версия"));
}

TEST_F(UpdateCheckerTest, BackgroundLoopHonoursSwitchAndLastCheck)
{
    serveFeed(QStringLiteral(R"({"version":"0.1"})"));
    defaults.set(AppSettings::autoCheckUpdatesKey, false);
    checker.startBackgroundChecks();
    checker.startBackgroundChecks();
    run(5 + 3 * UpdateChecker::wakeInterval);
    EXPECT_TRUE(http.requests().empty());
    defaults.set(AppSettings::autoCheckUpdatesKey, true);
    run(UpdateChecker::wakeInterval);
    EXPECT_EQ(http.requests().size(), 1u);
    // Checked a moment ago: the next wakes skip until a day has passed.
    run(3 * UpdateChecker::wakeInterval);
    EXPECT_EQ(http.requests().size(), 1u);
    // The check ran a moment after its wake, so the wake a day later is still short of the day.
    run(UpdateChecker::wakeInterval);
    EXPECT_EQ(http.requests().size(), 1u);
    run(UpdateChecker::wakeInterval);
    EXPECT_EQ(http.requests().size(), 2u);
}

TEST_F(UpdateCheckerTest, CheckDatedInTheFutureDoesNotStopChecks)
{
    serveFeed(QStringLiteral(R"({"version":"0.1"})"));
    defaults.set(
        UpdateChecker::lastCheckKey, DefaultsValue::Date { scheduler.currentDate() + 365 * 86400.0 });
    checker.startBackgroundChecks();
    run(6);
    EXPECT_EQ(http.requests().size(), 1u);
}

TEST_F(UpdateCheckerTest, RefusedReleasesNeverReachTheBundleAndLeaveNoFiles)
{
    const QString corrupted = QStringLiteral("Данные об обновлении повреждены.");
    const QString failed = QStringLiteral("Не удалось установить обновление.");
    const QString download = QStringLiteral("Не удалось скачать обновление.");
    const QString mismatch
        = QStringLiteral("Скачанный файл не совпал с опубликованным. Скачайте обновление в браузере.");
    using Signer = SimulatedBundle::Signer;
    const struct {
        const char* name;
        std::function<void(Machine&)> arrange;
        QString informative;
    } cases[] = {
        { "beta version", [](Machine& t) { t.publish(QStringLiteral("1.4-beta")); }, corrupted },
        { "climbing version", [](Machine& t) { t.publish(QStringLiteral("2.0/../../x")); }, corrupted },
        { "image missing",
            [](Machine& t) {
                t.publish(QStringLiteral("2.0"));
                t.http.setAnswer(imageUrl(QStringLiteral("2.0")), { 404, "no", false });
            },
            download },
        { "transfer fails",
            [](Machine& t) {
                t.publish(QStringLiteral("2.0"));
                t.http.setAnswer(imageUrl(QStringLiteral("2.0")), { 200, {}, true });
            },
            download },
        { "truncated image",
            [](Machine& t) {
                t.publish(QStringLiteral("2.0"));
                t.http.setAnswer(imageUrl(QStringLiteral("2.0")),
                    { 200, DiskImagesSimulated::bytes(QStringLiteral("2.0")).left(1000), false });
            },
            mismatch },
        { "mount fails",
            [](Machine& t) {
                t.publish(QStringLiteral("2.0"));
                t.diskImages.declare(QStringLiteral("2.0"),
                    { { QStringLiteral("Drimo Copy.app") }, QStringLiteral("com.drimo.copy"), {},
                        Signer::Same, true });
            },
            failed },
        // The system's own words reach the user (a real unwritable folder is the swap's own test).
        { "swap fails",
            [](Machine& t) {
                t.publish(QStringLiteral("2.0"));
                t.bundleReplacement.failNext(QStringLiteral("Отказано в доступе"));
            },
            QStringLiteral("Отказано в доступе") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Machine t;
        c.arrange(t);
        t.alerts.queueAnswer(QStringLiteral("Установить и перезапустить"));
        t.alerts.queueAnswer(QStringLiteral("Позже"));
        t.checker.checkNow();
        t.run();
        ASSERT_EQ(t.alerts.alerts().size(), 2u);
        EXPECT_EQ(t.alerts.alerts()[1].alert.message, failed);
        EXPECT_EQ(t.alerts.alerts()[1].alert.informativeText, c.informative);
        EXPECT_FALSE(t.bundleReplacement.replacedBy());
        EXPECT_EQ(t.lifecycle.terminationCount(), 0);
        EXPECT_TRUE(t.diskImages.mounted().isEmpty());
        EXPECT_TRUE(t.temporaryFiles().isEmpty()) << t.temporaryFiles().join(u' ').toStdString();
        // A malformed version is refused before anything is downloaded.
        if (QByteArray(c.name).endsWith("version")) {
            EXPECT_EQ(t.http.requests().size(), 1u);
        }
    }
}

TEST_F(UpdateCheckerTest, DigestMismatchOffersTheBrowser)
{
    publish(QStringLiteral("2.0"), hex(QStringLiteral("1.0")));
    alerts.queueAnswer(QStringLiteral("Установить и перезапустить"));
    alerts.queueAnswer(QStringLiteral("Скачать"));
    checker.checkNow();
    run();
    ASSERT_EQ(workspace.openedUrls().size(), 1u);
    EXPECT_EQ(alerts.alerts()[1].alert.buttons,
        QStringList({ QStringLiteral("Скачать"), QStringLiteral("Позже") }));
}

} // namespace
