#include "Clipboard/HistoryIndex.h"

#include <gtest/gtest.h>

#include <span>

// A long history's index is written in pieces: together they are the index, and a refused piece stops it.
// Read back, it is decoded in halves or in a head and a rest, and a bad entry in any spoils the whole.
TEST(HistoryIndex, AnIndexHandedOverInPiecesIsTheWholeIndex)
{
    std::vector<ClipboardItem> items;
    for (int n = 0; n < 10'000; ++n) {
        ClipboardItem item;
        item.id = QStringLiteral("0F8FAD5B-D9CB-469F-A165-%1").arg(n, 12, 10, QLatin1Char('0'));
        item.date = n;
        item.preview = QStringLiteral("Ж\"%1\\").arg(n).repeated(20);
        item.itemTypes = { { QStringLiteral("public.utf8-plain-text") } };
        if (n % 3 == 1)
            item.itemTypes = { { QStringLiteral("public.png") }, { QStringLiteral("public.file-url") } };
        item.fingerprint = QString(64, QLatin1Char('a'));
        if (n % 2 == 1)
            item.sourceBundleID = QStringLiteral("org.example.app%1").arg(n % 5);
        items.push_back(item);
    }
    const std::span<const ClipboardItem> all(items);
    const QByteArray whole = HistoryIndex::encode({ all.first(1), all.subspan(1) });
    QList<QByteArray> pieces;
    EXPECT_TRUE(HistoryIndex::encode({ all.first(1), all.subspan(1) }, [&](QByteArrayView piece) {
        pieces.append(piece.toByteArray());
        return true;
    }));
    EXPECT_GT(pieces.size(), 2);
    EXPECT_EQ(pieces.join(), whole);
    EXPECT_EQ(HistoryIndex::decode(whole), items);
    for (const std::size_t bad : { std::size_t(10), items.size() - 10 }) {
        auto spoilt = items;
        spoilt[bad].id = QStringLiteral("not an id");
        QByteArray bytes = HistoryIndex::encode(spoilt);
        EXPECT_FALSE(HistoryIndex::decode(bytes)) << bad;
        // Read in two parts, it spoils the part it is in.
        const auto end = HistoryIndex::endOfWholeEntries(QByteArrayView(bytes).first(8192));
        ASSERT_TRUE(end);
        EXPECT_EQ(bool(HistoryIndex::decodeHead(bytes, *end)), bad > 10);
        EXPECT_EQ(bool(HistoryIndex::decodeRest(bytes, *end)), bad == 10);
    }

    // Split wherever the start read at once happens to end, the two parts are the whole index; quotes,
    // backslashes and brackets inside the texts end nothing.
    for (const qsizetype length : { qsizetype(100), qsizetype(1000), qsizetype(1001), qsizetype(1002),
             qsizetype(65'536), whole.size() - 2 }) {
        const auto end = HistoryIndex::endOfWholeEntries(QByteArrayView(whole).first(length));
        ASSERT_EQ(bool(end), length > 500) << length;
        if (!end)
            continue;
        EXPECT_EQ(whole[*end], ',');
        auto head = HistoryIndex::decodeHead(whole, *end);
        QByteArray copy = whole;
        const auto rest = HistoryIndex::decodeRest(copy, *end);
        ASSERT_TRUE(head && rest) << length;
        head->insert(head->end(), rest->begin(), rest->end());
        EXPECT_EQ(*head, items) << length;
    }
    QByteArray trailingComma = HistoryIndex::encode(all.first(3));
    trailingComma.insert(trailingComma.size() - 1, ',');
    const auto last = HistoryIndex::endOfWholeEntries(trailingComma);
    ASSERT_TRUE(last);
    EXPECT_EQ(HistoryIndex::decodeHead(trailingComma, *last)->size(), 3u);
    EXPECT_FALSE(HistoryIndex::decodeRest(trailingComma, *last));

    int offered = 0;
    EXPECT_FALSE(HistoryIndex::encode({ all }, [&](QByteArrayView) { return ++offered < 2; }));
    EXPECT_EQ(offered, 2);
}
