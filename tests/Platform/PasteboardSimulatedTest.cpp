#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"

#include <gtest/gtest.h>

TEST(PasteboardSimulated, ChangeCountMovesOnEveryClearAndWritesAreReported)
{
    PasteboardSimulated pasteboard;
    std::vector<PasteboardSimulated::Writer> writes;
    pasteboard.onWrite = [&](PasteboardSimulated::Writer w) { writes.push_back(w); };

    PasteboardItem first;
    first.setData(PasteboardTypes::plainText, "hi");
    first.setData(PasteboardTypes::rtf, "{\\rtf1 hi}");
    PasteboardItem second;
    second.setData(PasteboardTypes::png, "png");
    pasteboard.userCopy({ first, second });
    EXPECT_EQ(pasteboard.changeCount(), 1);
    EXPECT_EQ(pasteboard.types(),
              (QStringList { PasteboardTypes::plainText, PasteboardTypes::rtf, PasteboardTypes::png }));
    EXPECT_EQ(pasteboard.items().at(0).data(PasteboardTypes::rtf), QByteArray("{\\rtf1 hi}"));
    EXPECT_FALSE(pasteboard.items().at(0).data(PasteboardTypes::png));

    EXPECT_EQ(pasteboard.clearContents(), 2);
    EXPECT_TRUE(pasteboard.types().isEmpty());
    EXPECT_FALSE(pasteboard.writeItems({}));
    EXPECT_TRUE(pasteboard.writeUrls({ QUrl::fromLocalFile(QStringLiteral("/tmp/b b.pdf")),
                                       QUrl(QStringLiteral("https://example.org/")) }));
    EXPECT_EQ(pasteboard.changeCount(), 2) << "writing after a clear is the same change";
    ASSERT_EQ(pasteboard.items().size(), 2u);
    EXPECT_EQ(pasteboard.items()[0].data(PasteboardTypes::fileUrl), QByteArray("file:///tmp/b%20b.pdf"));
    EXPECT_EQ(pasteboard.items()[1].data(PasteboardTypes::url), QByteArray("https://example.org/"));
    EXPECT_EQ(writes, (std::vector { PasteboardSimulated::Writer::User, PasteboardSimulated::Writer::App }));
}
