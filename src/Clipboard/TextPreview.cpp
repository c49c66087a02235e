#include "Clipboard/TextPreview.h"

#include <QTextBoundaryFinder>

#include <simdjson.h>

namespace TextPreview {

namespace {

// The position after the `count`-th grapheme of `text`, when that boundary is known for sure: either
// followed by more text, or at the end of a text that is `complete`.
std::optional<qsizetype> afterGraphemes(QStringView text, int count, bool complete)
{
    if (complete && text.size() <= count)
        return text.size(); // every grapheme is at least one code unit
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    qsizetype end = 0;
    for (int n = 0; n < count; ++n) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0 || (next == text.size() && !complete))
            return complete ? std::optional(text.size()) : std::nullopt;
        end = next;
    }
    return end;
}

QString simplePreview(const QString& text, int graphemes)
{
    const QString trimmed = text.trimmed();
    return trimmed.left(*afterGraphemes(trimmed, graphemes, true));
}

// Backs `size` up to the start of a UTF-8 sequence, so a prefix never splits a character.
qsizetype characterBoundary(const QByteArray& utf8, qsizetype size)
{
    while (size > 0 && size < utf8.size() && (static_cast<unsigned char>(utf8[size]) & 0xC0) == 0x80)
        --size;
    return size;
}

bool onlyWhitespaceFrom(const QByteArray& utf8, qsizetype offset)
{
    for (qsizetype i = offset; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            if (!QChar(byte).isSpace())
                return false;
            ++i;
            continue;
        }
        const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        const QString character = QString::fromUtf8(utf8.constData() + i, std::min(length, utf8.size() - i));
        for (const QChar c : character)
            if (!c.isSpace())
                return false;
        i += length;
    }
    return true;
}

} // namespace

QString firstGraphemes(QStringView text, int graphemes)
{
    return text.left(*afterGraphemes(text, graphemes, true)).toString();
}

std::optional<QString> fromUtf8(const QByteArray& utf8, int graphemes, qsizetype wholeTextLimit)
{
    // A copy may be tens of megabytes of any script: the vectorised check reads Cyrillic as fast as ASCII,
    // where Qt's slows to a character at a time.
    if (!simdjson::validate_utf8(utf8.constData(), static_cast<std::size_t>(utf8.size()))) {
        // Shown with replacement characters. A preview never needs more than its first megabyte: even the
        // longest user-perceived characters fit thousands of times.
        const qsizetype shown
            = std::min<qsizetype>(utf8.size(), std::max<qsizetype>(wholeTextLimit, 1024 * 1024));
        QString preview = simplePreview(QString::fromUtf8(utf8.constData(), shown), graphemes);
        if (preview.isEmpty())
            return std::nullopt;
        return preview;
    }
    qsizetype prefix = std::max<qsizetype>(wholeTextLimit / 4, 16);
    while (utf8.size() > wholeTextLimit && prefix < utf8.size()) {
        const qsizetype cut = characterBoundary(utf8, prefix);
        const QString head = QString::fromUtf8(utf8.constData(), cut);
        qsizetype start = 0;
        while (start < head.size() && head.at(start).isSpace())
            ++start;
        const auto end = start < head.size() ? afterGraphemes(QStringView(head).mid(start), graphemes, false)
                                             : std::nullopt;
        if (!end) {
            prefix *= 4; // only whitespace so far, or too few characters: look further
            continue;
        }
        QString preview = head.mid(start, *end);
        // The whole text loses its trailing whitespace too, which matters only when nothing else follows.
        if (onlyWhitespaceFrom(utf8, QStringView(head).left(start + *end).toUtf8().size()))
            preview = preview.trimmed();
        return preview;
    }
    QString preview = simplePreview(QString::fromUtf8(utf8), graphemes);
    if (preview.isEmpty())
        return std::nullopt;
    return preview;
}

} // namespace TextPreview
