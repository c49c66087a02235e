#include "Clipboard/TextPreview.h"

#include <QTextBoundaryFinder>

#include <gtest/gtest.h>

namespace {

// The definition: trim the whole decoded text, then keep its first `count` grapheme clusters.
std::optional<QString> reference(const QByteArray& utf8, int count)
{
    const QString trimmed = QString::fromUtf8(utf8).trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, trimmed);
    qsizetype end = trimmed.size();
    for (int n = 0; n < count; ++n) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0)
            break;
        end = next;
    }
    return trimmed.left(end);
}

} // namespace

TEST(TextPreview, DecodingOnlyAPrefixGivesTheSameAsTrimmingTheWholeText)
{
    const QString accent = QStringLiteral("e\u0301\u0302");
    const QString family = QStringLiteral("👨‍👩‍👧");
    const std::vector<QString> texts {
        QStringLiteral("short"),
        QStringLiteral("   \n\t leading whitespace, then words that run on and on past every prefix size"),
        QString(300, u' ') + QStringLiteral("late start") + QString(300, u'\n'),
        QStringLiteral("ends here") + QString(500, u' ') + QStringLiteral("\u3000\u00a0\u2003"),
        QStringLiteral("ends here   ") + QString(500, u' ') + QStringLiteral("x"),
        accent.repeated(200),
        family.repeated(100) + QStringLiteral(" tail"),
        QStringLiteral("Привет, мир! ").repeated(40),
        QString(400, u' '),
        QStringLiteral("\u00a0") + QString(100, u'x') + QStringLiteral("\u2028"),
    };
    for (const QString& text : texts) {
        const QByteArray utf8 = text.toUtf8();
        for (int count : { 1, 5, 9, 2000 }) {
            for (qsizetype limit : { qsizetype(16), qsizetype(64), qsizetype(1000), qsizetype(1) << 20 })
                EXPECT_EQ(TextPreview::fromUtf8(utf8, count, limit), reference(utf8, count))
                    << text.left(40).toStdString() << " count " << count << " limit " << limit;
        }
    }
    EXPECT_EQ(TextPreview::fromUtf8("\xff valid? no", 5, 4), QStringLiteral("\ufffd val"));
    EXPECT_EQ(TextPreview::fromUtf8(" \xc3 \n", 5), QStringLiteral("\ufffd")) << "a cut sequence, trimmed";
    EXPECT_FALSE(TextPreview::fromUtf8(QByteArray(), 5));
}
