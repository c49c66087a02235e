#include "Support/AppSettings.h"

#include "Foundation/Localization.h"
#include "Platform/UserDefaultsStore.h"
#include "Screenshots/ScreenshotFiles.h"

namespace {

const QString historyLimitKey = QStringLiteral("historyLimit");
const QString holdToPasteKey = QStringLiteral("holdToPaste");
const QString holdToScreenshotKey = QStringLiteral("holdToScreenshot");
const QString holdDelayKey = QStringLiteral("holdDelay");
const QString pausedKey = QStringLiteral("paused");
const QString screenshotSaveKey = QStringLiteral("screenshotSave");
const QString screenshotFolderKey = QStringLiteral("screenshotFolder");
const QString screenshotCopyKey = QStringLiteral("screenshotCopy");
const QString screenshotThumbnailKey = QStringLiteral("screenshotThumbnail");
const QString screenshotSoundKey = QStringLiteral("screenshotSound");

// Stores, then announces only a real change: observers redraw on the signal, the store sees every write.
template <typename T, typename Signal>
void assign(AppSettings* self, UserDefaultsStore& store, T& field, const T& value, const QString& key,
    const DefaultsValue& stored, Signal signal)
{
    const bool changed = !(field == value);
    field = value;
    store.set(key, stored);
    if (changed)
        Q_EMIT(self->*signal)();
}

} // namespace

AppSettings::AppSettings(UserDefaultsStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
{
    if (const auto stored = store.object(historyLimitKey))
        if (const auto raw = stored->asInteger())
            m_historyLimit = HistoryLimits::fromRawValue(*raw).value_or(HistoryLimit::Fifteen);
    m_holdToPaste = objectBool(holdToPasteKey, true);
    m_holdToScreenshot = objectBool(holdToScreenshotKey, true);
    if (const auto stored = store.object(holdDelayKey))
        m_holdDelay = stored->asDouble().value_or(0.6);
    m_paused = store.boolValue(pausedKey);
    m_screenshotSave = objectBool(screenshotSaveKey, true);
    m_screenshotFolder = store.stringValue(screenshotFolderKey).value_or(QString());
    m_screenshotCopy = objectBool(screenshotCopyKey, true);
    m_screenshotThumbnail = objectBool(screenshotThumbnailKey, true);
    m_screenshotSound = store.boolValue(screenshotSoundKey);
    m_autoCheckUpdates = autoCheckUpdatesIn(store);
}

bool AppSettings::autoCheckUpdatesIn(const UserDefaultsStore& store)
{
    const auto stored = store.object(autoCheckUpdatesKey);
    return !(stored && stored->kind() == DefaultsValue::Kind::Boolean && stored->asBoolean() == false);
}

bool AppSettings::objectBool(const QString& key, bool fallback) const
{
    const auto stored = m_store.object(key);
    return stored ? stored->asBoolean().value_or(fallback) : fallback;
}

void AppSettings::setHistoryLimit(HistoryLimit value)
{
    assign(this, m_store, m_historyLimit, value, historyLimitKey,
        DefaultsValue(HistoryLimits::rawValue(value)), &AppSettings::historyLimitChanged);
}

void AppSettings::setHoldToPaste(bool value)
{
    assign(this, m_store, m_holdToPaste, value, holdToPasteKey, DefaultsValue(value),
        &AppSettings::holdToPasteChanged);
}

void AppSettings::setHoldToScreenshot(bool value)
{
    assign(this, m_store, m_holdToScreenshot, value, holdToScreenshotKey, DefaultsValue(value),
        &AppSettings::holdToScreenshotChanged);
}

void AppSettings::setHoldDelay(double value)
{
    assign(this, m_store, m_holdDelay, value, holdDelayKey, DefaultsValue(value),
        &AppSettings::holdDelayChanged);
}

void AppSettings::setPaused(bool value)
{
    assign(this, m_store, m_paused, value, pausedKey, DefaultsValue(value), &AppSettings::pausedChanged);
}

void AppSettings::setScreenshotSave(bool value)
{
    assign(this, m_store, m_screenshotSave, value, screenshotSaveKey, DefaultsValue(value),
        &AppSettings::screenshotSaveChanged);
}

void AppSettings::setScreenshotFolder(const QString& value)
{
    assign(this, m_store, m_screenshotFolder, value, screenshotFolderKey, DefaultsValue(value),
        &AppSettings::screenshotFolderChanged);
}

void AppSettings::setScreenshotCopy(bool value)
{
    assign(this, m_store, m_screenshotCopy, value, screenshotCopyKey, DefaultsValue(value),
        &AppSettings::screenshotCopyChanged);
}

void AppSettings::setScreenshotThumbnail(bool value)
{
    assign(this, m_store, m_screenshotThumbnail, value, screenshotThumbnailKey, DefaultsValue(value),
        &AppSettings::screenshotThumbnailChanged);
}

void AppSettings::setScreenshotSound(bool value)
{
    assign(this, m_store, m_screenshotSound, value, screenshotSoundKey, DefaultsValue(value),
        &AppSettings::screenshotSoundChanged);
}

void AppSettings::setAutoCheckUpdates(bool value)
{
    assign(this, m_store, m_autoCheckUpdates, value, autoCheckUpdatesKey, DefaultsValue(value),
        &AppSettings::autoCheckUpdatesChanged);
}

QString AppSettings::screenshotFolderPath(const StandardPaths& paths) const
{
    if (!m_screenshotFolder.isEmpty())
        return m_screenshotFolder;
    return ScreenshotFiles::systemFolder(m_store, paths);
}

QString AppSettings::titleForDelay(double seconds, const QLocale& locale)
{
    QString number = locale.toString(seconds, 'f', 1);
    const QString zeroFraction = locale.decimalPoint() + locale.zeroDigit();
    if (number.endsWith(zeroFraction))
        number.chop(zeroFraction.size());
    return Localization::format("%@ с", { number });
}
