#include "Updates/UpdateChecker.h"

#include "Support/AppSettings.h"

#include "Foundation/FileDescriptor.h"
#include "Foundation/FileTree.h"
#include "Foundation/Localization.h"
#include "Foundation/Scheduler.h"
#include "Foundation/Sha256.h"
#include "Foundation/TreeCopy.h"
#include "Foundation/Uuid.h"
#include "Platform/BundleInfo.h"
#include "Platform/BundleReplacement.h"
#include "Platform/CodeSigning.h"
#include "Platform/DiskImages.h"
#include "Platform/HttpClient.h"
#include "Platform/StandardPaths.h"
#include "Platform/UserDefaultsStore.h"
#include "Platform/Workspace.h"
#include "Support/AppRelauncher.h"
#include "Updates/ReleaseVersion.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const installFailed = "Не удалось установить обновление.";
const char* const corruptedData = "Данные об обновлении повреждены.";

// Runs `action` when it goes out of scope, whichever way the installation ends.
class ScopeExit final {
public:
    explicit ScopeExit(std::function<void()> action)
        : m_action(std::move(action))
    { }
    ~ScopeExit() { m_action(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    std::function<void()> m_action;
};

// Lower-case hexadecimal digest of a regular file, read in pieces: images are far larger than what is
// worth holding in memory. Nothing when the file cannot be read.
std::optional<QString> fileDigest(const QString& path)
{
    const auto file = FileDescriptor::openRegular(AT_FDCWD, QFile::encodeName(path).constData());
    if (!file.isOpen())
        return std::nullopt;
    const auto digest = Sha256::hexDigestOfFile(file.get());
    return digest ? std::optional(QString::fromLatin1(*digest)) : std::nullopt;
}

} // namespace

UpdateChecker::UpdateChecker(const Platform& platform, QUrl baseUrl)
    : m_platform(platform)
    , m_baseUrl(std::move(baseUrl))
{ }

UpdateChecker::~UpdateChecker()
{
    m_lifetime.reset();
    m_loop.cancel();
}

QUrl UpdateChecker::defaultBaseUrl()
{
    return QUrl(QStringLiteral(DRIMO_UPDATE_BASE));
}

void UpdateChecker::startBackgroundChecks()
{
    if (m_loopStarted)
        return;
    m_loopStarted = true;
    std::weak_ptr<Lifetime> alive = m_lifetime;
    m_loop = m_platform.scheduler.after(firstCheckDelay, [this, alive](bool cancelled) {
        if (!cancelled && alive.lock())
            backgroundPass();
    });
}

void UpdateChecker::backgroundPass()
{
    std::weak_ptr<Lifetime> alive = m_lifetime;
    auto sleep = [this, alive] {
        if (!alive.lock())
            return;
        m_loop = m_platform.scheduler.after(wakeInterval, [this, alive](bool cancelled) {
            if (!cancelled && alive.lock())
                backgroundPass();
        });
    };
    const auto& defaults = m_platform.defaults;
    if (!AppSettings::autoCheckUpdatesIn(defaults))
        return sleep();
    if (const auto last = defaults.object(lastCheckKey); last && last->asDate()) {
        const double elapsed = m_platform.scheduler.currentDate() - last->asDate()->secondsSinceReference;
        // A check dated in the future means the clock was wrong then or is now; waiting for that date
        // could stop checks for years, so it counts as long ago.
        if (elapsed >= 0 && elapsed < checkInterval)
            return sleep();
    }
    check(true, sleep);
}

void UpdateChecker::checkNow()
{
    std::weak_ptr<Lifetime> alive = m_lifetime;
    m_platform.scheduler.post([this, alive] {
        if (alive.lock())
            check(false);
    });
}

void UpdateChecker::check(bool silent, Done done)
{
    std::weak_ptr<Lifetime> alive = m_lifetime;
    fetch([this, alive, silent, done = std::move(done)](std::optional<Release> release) mutable {
        if (!alive.lock())
            return;
        const ScopeExit finished([&done] {
            if (done)
                done();
        });
        if (!release) {
            if (!silent)
                showAlert(Alerts::Style::Warning, Localization::text("Не удалось проверить обновления"),
                    Localization::text("Проверьте подключение к интернету и попробуйте ещё раз."),
                    { Localization::text("OK") });
            return;
        }
        m_platform.defaults.set(lastCheckKey, DefaultsValue::Date { m_platform.scheduler.currentDate() });
        const QString running = runningVersion();
        const bool offerable = release->available.value_or(true) && release->version
            && ReleaseVersion::isNewer(*release->version, running);
        if (!offerable) {
            if (!silent)
                showAlert(Alerts::Style::Informational, Localization::text("Установлена последняя версия"),
                    Localization::format("У вас уже версия %@.", { running }), { Localization::text("OK") });
            return;
        }
        if (silent && m_platform.defaults.stringValue(skippedVersionKey) == *release->version)
            return;
        // The offer may go on to an installation that waits for the network: `done` waits with it.
        offer(*release->version, *release, std::exchange(done, {}));
    });
}

void UpdateChecker::fetch(std::function<void(std::optional<Release>)> done)
{
    HttpClient::Request request;
    request.url = feedUrl();
    request.timeout = m_limits.feedTimeout;
    request.maximumBytes = Release::maximumFeedBytes;
    request.ignoreCache = true;
    m_platform.http.get(request, [done = std::move(done)](HttpClient::Response response) {
        if (response.status != 200)
            return done(std::nullopt);
        done(Release::decode(response.body));
    });
}

void UpdateChecker::offer(const QString& version, const Release& release, Done done)
{
    QString informative = Localization::format("Новая версия %@.", { version });
    if (release.notes && !release.notes->isEmpty())
        informative += QStringLiteral("\n\n") + *release.notes;
    const QString installButton = Localization::text("Установить и перезапустить");
    const QString downloadButton = Localization::text("Скачать");
    const QString skipButton = Localization::text("Пропустить эту версию");
    const QString answer = showAlert(Alerts::Style::Informational, Localization::text("Доступно обновление"),
        informative, { installButton, downloadButton, skipButton, Localization::text("Позже") });
    if (answer == installButton)
        return install(version, release.sha256, std::move(done));
    if (answer == downloadButton)
        openDownloadPage();
    else if (answer == skipButton)
        m_platform.defaults.set(skippedVersionKey, version);
    if (done)
        done();
}

void UpdateChecker::install(const QString& version, const std::optional<QString>& sha256, Done done)
{
    const ScopeExit finished([&done] {
        if (done)
            done();
    });
    if (!ReleaseVersion::isWellFormed(version))
        return installationFailed(Localization::text(corruptedData));
    if (m_platform.codeSigning.isAdHocSigned() || !sha256 || sha256->isEmpty())
        return openDownloadPage();
    const auto url = imageUrl(version);
    if (!url)
        return installationFailed(Localization::text("Не удалось скачать обновление."));

    HttpClient::Request request;
    request.url = *url;
    request.timeout = m_limits.imageTimeout;
    request.maximumBytes = m_limits.maximumImageBytes;
    request.destination = imagePath();
    std::weak_ptr<Lifetime> alive = m_lifetime;
    m_platform.http.get(request,
        [this, alive, version, digest = *sha256, done = std::exchange(done, {})](
            HttpClient::Response response) {
            if (!alive.lock())
                return;
            const ScopeExit finished([&done] {
                if (done)
                    done();
            });
            if (response.status != 200) {
                // The client leaves nothing behind, but whatever was there under our name goes too.
                FileTree::remove(imagePath());
                return installationFailed(Localization::text("Не удалось скачать обновление."));
            }
            installImage(version, digest);
        });
}

void UpdateChecker::installImage(const QString& version, const QString& sha256)
{
    const QString image = imagePath();
    const ScopeExit removeImage([&image] { FileTree::remove(image); });
    const auto digest = fileDigest(image);
    if (!digest || *digest != sha256.toLower())
        return downloadCorrupted();

    const QString mountPoint = m_platform.paths.temporary() + u'/' + mountPrefix + Uuid::create().left(8);
    if (!m_platform.diskImages.attach(image, mountPoint))
        return installationFailed(Localization::text(installFailed));
    const ScopeExit detach([this, &mountPoint] { m_platform.diskImages.detach(mountPoint); });
    installApplication(version, mountPoint);
}

void UpdateChecker::installApplication(const QString& version, const QString& mountPoint)
{
    QString application;
    for (const auto& entry : m_platform.diskImages.entries(mountPoint)) {
        if (entry.endsWith(QLatin1String(".app"))) {
            application = entry;
            break;
        }
    }
    if (application.isEmpty())
        return installationFailed(Localization::text(installFailed));
    const QString applicationPath = mountPoint + u'/' + application;
    if (!m_platform.codeSigning.isSameSigner(applicationPath))
        return installationFailed(
            Localization::text("Обновление подписано не тем сертификатом. Установка отменена."));
    const auto identity = m_platform.bundle.identityAt(applicationPath);
    if (!identity || identity->identifier != m_platform.bundle.bundleIdentifier()
        || identity->version != version)
        return installationFailed(Localization::text(corruptedData));

    const QString staging = m_platform.paths.temporary() + u'/' + stagingName;
    FileTree::remove(staging);
    const QString staged = staging + u'/' + application;
    std::optional<QString> failure;
    if (::mkdir(QFile::encodeName(staging).constData(), 0700) != 0)
        failure = QString::fromLocal8Bit(std::strerror(errno));
    if (!failure)
        failure = TreeCopy::copy(applicationPath, staged);
    const QString installed = m_platform.bundle.bundlePath();
    if (!failure)
        failure = m_platform.bundleReplacement.replace(installed, staged);
    FileTree::remove(staging);
    if (failure)
        return installationFailed(*failure);

    m_platform.diskImages.detach(mountPoint);
    FileTree::remove(imagePath());
    AppRelauncher::relaunch(installed, m_platform.processes, m_platform.bundle, m_platform.lifecycle);
}

void UpdateChecker::openDownloadPage()
{
    const QUrl page = resource(QStringLiteral("/download/"));
    if (page.isValid())
        m_platform.workspace.openUrl(page);
}

QUrl UpdateChecker::feedUrl() const
{
    return resource(QStringLiteral("/release.json"));
}

std::optional<QUrl> UpdateChecker::imageUrl(const QString& version) const
{
    const QUrl url
        = resource(QStringLiteral("/downloads/Drimo-Copy-") + version + m_platform.diskImages.nameSuffix());
    if (!url.isValid() || url.scheme() != m_baseUrl.scheme() || url.host() != m_baseUrl.host())
        return std::nullopt;
    return url;
}

QUrl UpdateChecker::resource(const QString& path) const
{
    return QUrl(m_baseUrl.toString(QUrl::StripTrailingSlash) + path, QUrl::StrictMode);
}

QString UpdateChecker::imagePath() const
{
    const QString suffix = m_platform.diskImages.nameSuffix();
    const auto dot = suffix.indexOf(u'.');
    return m_platform.paths.temporary() + u'/' + imageFileName + (dot < 0 ? QString() : suffix.mid(dot));
}

QString UpdateChecker::runningVersion() const
{
    return m_platform.bundle.shortVersion().value_or(QStringLiteral("0"));
}

QString UpdateChecker::showAlert(
    Alerts::Style style, const QString& message, const QString& informative, const QStringList& buttons)
{
    m_platform.workspace.activateSelf();
    return m_platform.alerts.run({ style, message, informative, buttons });
}

void UpdateChecker::installationFailed(const QString& informative)
{
    showAlert(
        Alerts::Style::Warning, Localization::text(installFailed), informative, { Localization::text("OK") });
}

void UpdateChecker::downloadCorrupted()
{
    const QString download = Localization::text("Скачать");
    const QString answer = showAlert(Alerts::Style::Warning, Localization::text(installFailed),
        Localization::text("Скачанный файл не совпал с опубликованным. Скачайте обновление в браузере."),
        { download, Localization::text("Позже") });
    if (answer == download)
        openDownloadPage();
}
