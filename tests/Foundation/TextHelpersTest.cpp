#include "Foundation/Localization.h"
#include "Foundation/Sha256.h"
#include "Foundation/Uuid.h"

#include <gtest/gtest.h>

TEST(Sha256, MatchesPublishedVectorsIncrementally)
{
    EXPECT_EQ(Sha256::hexDigest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256::hexDigest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Sha256 split;
    split.update("a");
    split.update("");
    split.update("bc");
    EXPECT_EQ(split.finish().toHex(), Sha256::hexDigest("abc"));
}

TEST(Uuid, CreatesCanonicalUpperCaseAndRejectsAnythingElse)
{
    const QString id = Uuid::create();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(Uuid::canonical(id), id);
    EXPECT_NE(Uuid::create(), id);
    EXPECT_EQ(Uuid::canonical(QStringLiteral("0f8fad5b-d9cb-469f-a165-70867728950e")),
              QStringLiteral("0F8FAD5B-D9CB-469F-A165-70867728950E"));
    for (const char* bad : { "", "../../etc", "0F8FAD5B-D9CB-469F-A165-70867728950", "0F8FAD5BD9CB-469F-A165-70867728950EE",
                             "0F8FAD5B-D9CB-469F-A165-70867728950G", "0F8FAD5B-D9CB-469F-A165/70867728950E",
                             "{0F8FAD5B-D9CB-469F-A165-70867728950E}" })
        EXPECT_FALSE(Uuid::canonical(QString::fromUtf8(bad))) << bad;
}

TEST(Localization, FillsPlaceholdersInOrder)
{
    EXPECT_EQ(Localization::text("Открыть историю"), QStringLiteral("Открыть историю"));
    EXPECT_EQ(Localization::format("Изображение %ld×%ld", { QStringLiteral("640"), QStringLiteral("480") }),
              QStringLiteral("Изображение 640×480"));
    EXPECT_EQ(Localization::format("%@ с", { QStringLiteral("0,6") }), QStringLiteral("0,6 с"));
    EXPECT_EQ(Localization::format("100% %@", {}), QStringLiteral("100% "));
}
