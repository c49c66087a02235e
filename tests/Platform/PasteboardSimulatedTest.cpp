#include "Platform/Simulated/PasteboardSimulated.h"
#include "Foundation/VirtualScheduler.h"
#include "Platform/PasteboardTypes.h"

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

TEST(PasteboardSimulated, ACopyOnItsWayShowsNothingUntilItArrivesAndALaterChangeDropsIt)
{
    VirtualScheduler scheduler;
    PasteboardItem text;
    text.setData(PasteboardTypes::plainText, "slow");
    {
        PasteboardSimulated pasteboard;
        pasteboard.userCopyArriving({ text }, scheduler, 0.3);
        EXPECT_FALSE(pasteboard.contentsArrived());
        EXPECT_TRUE(pasteboard.types().isEmpty());
        scheduler.advance(0.3);
        EXPECT_TRUE(pasteboard.contentsArrived());
        EXPECT_EQ(pasteboard.items(), std::vector { text });

        // Our own write in the meantime: what was on its way never lands on top of it.
        pasteboard.userCopyArriving({ text }, scheduler, 0.5);
        pasteboard.clearContents();
        PasteboardItem ours;
        ours.setData(PasteboardTypes::plainText, "ours");
        pasteboard.writeItems({ ours });
        scheduler.advance(1);
        EXPECT_EQ(pasteboard.items(), std::vector { ours });

        // Slower than the budget: given up when it ends, and nothing arrives later.
        pasteboard.userCopyArriving({ text }, scheduler, Pasteboard::arrivalBudget + 0.5);
        scheduler.advance(Pasteboard::arrivalBudget);
        EXPECT_TRUE(pasteboard.contentsArrived());
        EXPECT_TRUE(pasteboard.items().empty());
        pasteboard.userCopyArriving({ text }, scheduler, std::nullopt);
    }
    // A pasteboard that went away is not delivered to.
    scheduler.advance(5);
}

// A promise kept once, whoever reads it, is the desktop clipboard's test; here, the one that cannot be kept.
TEST(PasteboardSimulated, PromisedBytesThatCannotBeMadeAreNoData)
{
    PasteboardItem failing;
    failing.promise(PasteboardTypes::tiff, std::make_shared<PromisedBytes>([] { return QByteArray(); }));
    EXPECT_FALSE(failing.data(PasteboardTypes::tiff));
}
