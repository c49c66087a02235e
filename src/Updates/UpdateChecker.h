#pragma once

#include "Foundation/TaskHandle.h"
#include "Platform/Alerts.h"
#include "Platform/Platform.h"
#include "Updates/Release.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

// Keeps the application current: looks for a newer release in the background and on request, offers it,
// and installs it only once its digest, signer, identifier and version are verified. Everything runs on the
// main thread; network transfers continue through the scheduler, so a caller hears that an operation ended
// through its `done` function.
class UpdateChecker final {
public:
    static inline const QString lastCheckKey = QStringLiteral("updates.lastCheck");
    static inline const QString skippedVersionKey = QStringLiteral("updates.skippedVersion");

    static constexpr double firstCheckDelay = 5;
    static constexpr double wakeInterval = 6 * 3600;
    static constexpr double checkInterval = 24 * 3600;
    // How long transfers may take and how large an image may be.
    struct Limits {
        double feedTimeout = 60;
        // A slow but live connection still gets a large release through in this time; a trickle does not
        // hold the installation open for ever.
        double imageTimeout = 30 * 60;
        // The image streams to disk, so its bound guards the disk, not memory: far above any release.
        qint64 maximumImageBytes = 512LL * 1024 * 1024;
    };

    static inline const QString imageFileName = QStringLiteral("DrimoCopy-update");
    static inline const QString mountPrefix = QStringLiteral("DrimoCopy-update-mount-");
    static inline const QString stagingName = QStringLiteral("DrimoCopy-update-staging");

    using Done = std::function<void()>;

    // `baseUrl` is the update server's origin, such as https://updates.drimo.example.
    UpdateChecker(const Platform& platform, QUrl baseUrl);
    ~UpdateChecker();
    UpdateChecker(const UpdateChecker&) = delete;
    UpdateChecker& operator=(const UpdateChecker&) = delete;

    // The loop of silent checks: the first look after a few seconds, then one every six hours, checking
    // when the last check is a day old. Once per checker; stops when the checker goes.
    void startBackgroundChecks();
    // The update server this build was configured with.
    static QUrl defaultBaseUrl();
    void setBaseUrl(const QUrl& baseUrl) { m_baseUrl = baseUrl; }
    void setLimits(const Limits& limits) { m_limits = limits; }

    // A check the user asked for, started after the current event.
    void checkNow();

    void check(bool silent, Done done = {});
    void fetch(std::function<void(std::optional<Release>)> done);
    void offer(const QString& version, const Release& release, Done done = {});
    void install(const QString& version, const std::optional<QString>& sha256, Done done = {});
    void openDownloadPage();

    QUrl feedUrl() const;
    // Nothing when the version cannot make a valid address.
    std::optional<QUrl> imageUrl(const QString& version) const;
    QString imagePath() const;

private:
    struct Lifetime { };

    void backgroundPass();
    QString runningVersion() const;
    QUrl resource(const QString& path) const;
    QString showAlert(
        Alerts::Style style, const QString& message, const QString& informative, const QStringList& buttons);
    void installationFailed(const QString& informative);
    void downloadCorrupted();
    // The steps after the image arrived, which run without waiting.
    void installImage(const QString& version, const QString& sha256);
    void installApplication(const QString& version, const QString& mountPoint);

    Platform m_platform;
    QUrl m_baseUrl;
    Limits m_limits;
    TaskHandle m_loop;
    bool m_loopStarted = false;
    std::shared_ptr<Lifetime> m_lifetime = std::make_shared<Lifetime>();
};
