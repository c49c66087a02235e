#include "Platform/Simulated/AlertsSimulated.h"

#include <gtest/gtest.h>

TEST(AlertsSimulatedTest, AnswersInOrderAndFallsBackToTheLastButton)
{
    AlertsSimulated alerts;
    const Alerts::Alert alert { Alerts::Style::Warning, QStringLiteral("Очистить историю?"), QString(),
        { QStringLiteral("Очистить"), QStringLiteral("Отмена") } };
    alerts.queueAnswer(QStringLiteral("Очистить"));
    alerts.queueAnswer(QStringLiteral("Maybe"));
    EXPECT_EQ(alerts.run(alert), QStringLiteral("Очистить"));
    // An answer the alert does not offer is used up; the user is taken to have dismissed it.
    EXPECT_EQ(alerts.run(alert), QStringLiteral("Отмена"));
    EXPECT_EQ(alerts.run(alert), QStringLiteral("Отмена"));
    ASSERT_EQ(alerts.alerts().size(), 3u);
    EXPECT_FALSE(alerts.alerts()[0].unexpected);
    EXPECT_TRUE(alerts.alerts()[1].unexpected);
    EXPECT_TRUE(alerts.alerts()[2].unexpected);
    EXPECT_EQ(alerts.run({}), QString());

    alerts.queueFolder(QStringLiteral("/tmp/shots"));
    alerts.queueFolder(std::nullopt);
    EXPECT_EQ(alerts.chooseFolder(QStringLiteral("t"), QStringLiteral("/")), QStringLiteral("/tmp/shots"));
    EXPECT_EQ(alerts.chooseFolder(QStringLiteral("t"), QStringLiteral("/")), std::nullopt);
    EXPECT_EQ(alerts.chooseFolder(QStringLiteral("t"), QStringLiteral("/")), std::nullopt);
    EXPECT_FALSE(alerts.folderChoices()[1].unexpected);
    EXPECT_TRUE(alerts.folderChoices()[2].unexpected);
}
