#include "Support/AppSettings.h"

#include "Platform/Simulated/UserDefaultsStoreSimulated.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(AppSettings, FirstStartGivesTheDefaults)
{
    UserDefaultsStoreSimulated store;
    AppSettings settings(store);
    EXPECT_EQ(settings.historyLimit(), HistoryLimit::Fifteen);
    EXPECT_TRUE(settings.holdToPaste());
    EXPECT_TRUE(settings.holdToScreenshot());
    EXPECT_DOUBLE_EQ(settings.holdDelay(), 0.6);
    EXPECT_FALSE(settings.paused());
    EXPECT_TRUE(settings.screenshotSave());
    EXPECT_EQ(settings.screenshotFolder(), QString());
    EXPECT_TRUE(settings.screenshotCopy());
    EXPECT_TRUE(settings.screenshotThumbnail());
    EXPECT_FALSE(settings.screenshotSound());
    EXPECT_TRUE(store.values(UserDefaultsStore::appDomain).empty()) << "loading writes nothing";
}

TEST(AppSettings, ObjectReadingsFallBackToDefaultsWhileBooleanReadingsDoNot)
{
    struct Case {
        std::optional<DefaultsValue> stored;
        HistoryLimit expected;
    };
    const std::vector<Case> limits {
        { DefaultsValue(0), HistoryLimit::All },
        { DefaultsValue(5), HistoryLimit::Five },
        { DefaultsValue(10), HistoryLimit::Ten },
        { DefaultsValue(7), HistoryLimit::Fifteen },
        { DefaultsValue(-1), HistoryLimit::Fifteen },
        { DefaultsValue(u"5"), HistoryLimit::Fifteen },
        { std::nullopt, HistoryLimit::Fifteen },
        { DefaultsValue(true), HistoryLimit::Fifteen },
    };
    for (const auto& c : limits) {
        UserDefaultsStoreSimulated store;
        if (c.stored)
            store.set(QStringLiteral("historyLimit"), *c.stored);
        EXPECT_EQ(AppSettings(store).historyLimit(), c.expected);
    }

    UserDefaultsStoreSimulated store;
    store.set(QStringLiteral("holdToPaste"), u"no");
    store.set(QStringLiteral("holdToScreenshot"), false);
    store.set(QStringLiteral("holdDelay"), u"2");
    store.set(QStringLiteral("screenshotSound"), u"YES");
    store.set(QStringLiteral("screenshotFolder"), u"~/Снимки");
    AppSettings settings(store);
    EXPECT_TRUE(settings.holdToPaste()) << "a string is not a boolean object: the default holds";
    EXPECT_FALSE(settings.holdToScreenshot());
    EXPECT_DOUBLE_EQ(settings.holdDelay(), 0.6);
    EXPECT_FALSE(settings.paused()) << "an absent key reads as false";
    EXPECT_TRUE(settings.screenshotSound()) << "the boolean reading understands YES";
    EXPECT_EQ(settings.screenshotFolder(), QStringLiteral("~/Снимки")) << "used literally";

    UserDefaultsStoreSimulated unclamped;
    unclamped.set(QStringLiteral("holdDelay"), 1000.0);
    unclamped.set(QStringLiteral("holdToPaste"), 0);
    EXPECT_DOUBLE_EQ(AppSettings(unclamped).holdDelay(), 1000.0);
    EXPECT_FALSE(AppSettings(unclamped).holdToPaste());
}

TEST(AppSettings, EveryAssignmentWritesButOnlyChangesNotify)
{
    UserDefaultsStoreSimulated store;
    AppSettings settings(store);

    QSignalSpy limitSpy(&settings, &AppSettings::historyLimitChanged);
    settings.setHistoryLimit(HistoryLimit::All);
    settings.setHistoryLimit(HistoryLimit::All);
    EXPECT_EQ(limitSpy.count(), 1);
    EXPECT_EQ(store.writeCount(QStringLiteral("historyLimit")), 2);
    EXPECT_EQ(store.object(QStringLiteral("historyLimit"))->kind(), DefaultsValue::Kind::Integer);
    EXPECT_EQ(store.object(QStringLiteral("historyLimit"))->asInteger(), 0);

    struct BoolField {
        const char* key;
        void (AppSettings::*set)(bool);
        void (AppSettings::*changed)();
        bool initial;
    };
    const std::vector<BoolField> fields {
        { "holdToPaste", &AppSettings::setHoldToPaste, &AppSettings::holdToPasteChanged, true },
        { "holdToScreenshot", &AppSettings::setHoldToScreenshot, &AppSettings::holdToScreenshotChanged,
            true },
        { "paused", &AppSettings::setPaused, &AppSettings::pausedChanged, false },
        { "screenshotSave", &AppSettings::setScreenshotSave, &AppSettings::screenshotSaveChanged, true },
        { "screenshotCopy", &AppSettings::setScreenshotCopy, &AppSettings::screenshotCopyChanged, true },
        { "screenshotThumbnail", &AppSettings::setScreenshotThumbnail,
            &AppSettings::screenshotThumbnailChanged, true },
        { "screenshotSound", &AppSettings::setScreenshotSound, &AppSettings::screenshotSoundChanged, false },
    };
    for (const auto& field : fields) {
        QSignalSpy spy(&settings, field.changed);
        (settings.*field.set)(field.initial);
        EXPECT_EQ(spy.count(), 0) << field.key;
        (settings.*field.set)(!field.initial);
        EXPECT_EQ(spy.count(), 1) << field.key;
        const QString key = QString::fromLatin1(field.key);
        EXPECT_EQ(store.writeCount(key), 2) << field.key;
        EXPECT_EQ(store.object(key)->asBoolean(), !field.initial) << field.key;
        EXPECT_EQ(store.object(key)->kind(), DefaultsValue::Kind::Boolean) << field.key;
    }

    QSignalSpy delaySpy(&settings, &AppSettings::holdDelayChanged);
    settings.setHoldDelay(0.6);
    settings.setHoldDelay(1);
    EXPECT_EQ(delaySpy.count(), 1);
    EXPECT_EQ(store.object(QStringLiteral("holdDelay"))->kind(), DefaultsValue::Kind::Double);

    QSignalSpy folderSpy(&settings, &AppSettings::screenshotFolderChanged);
    settings.setScreenshotFolder(QString());
    settings.setScreenshotFolder(QStringLiteral("/tmp/shots"));
    EXPECT_EQ(folderSpy.count(), 1);
    EXPECT_EQ(store.writeCount(QStringLiteral("screenshotFolder")), 2);

    AppSettings reloaded(store);
    EXPECT_EQ(reloaded.historyLimit(), HistoryLimit::All);
    EXPECT_DOUBLE_EQ(reloaded.holdDelay(), 1.0);
    EXPECT_EQ(reloaded.screenshotFolder(), QStringLiteral("/tmp/shots"));
    EXPECT_TRUE(reloaded.paused());
}

// The chosen folder taken literally, else the system's, is the controller's folder test and
// ScreenshotFilesTest's.
TEST(AppSettings, DelayTitleFollowsTheLocale)
{
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    // Those the list offers, as the settings form shows them, are its own tests'.
    EXPECT_EQ(AppSettings::titleForDelay(0.4, english), QStringLiteral("0.4 с"));
    EXPECT_EQ(AppSettings::titleForDelay(3, russian), QStringLiteral("3 с"));
    EXPECT_EQ(AppSettings::titleForDelay(1.04, english), QStringLiteral("1 с"))
        << "one fraction digit at most";
    EXPECT_EQ(AppSettings::titleForDelay(0.45, russian), QStringLiteral("0,5 с"));
}
