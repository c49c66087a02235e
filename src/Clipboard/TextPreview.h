#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The preview line of a text copy: the text without surrounding whitespace, cut after a number of
// user-perceived characters. Copies can be tens of megabytes, so only as much of the text is decoded as the
// preview needs; the result is the same as trimming and cutting the whole decoded text.
namespace TextPreview {

// Nothing when the bytes hold only whitespace. Bytes that are not valid UTF-8 are shown with replacement
// characters. Texts up to `wholeTextLimit` bytes are simply decoded whole.
std::optional<QString> fromUtf8(const QByteArray& utf8, int graphemes, qsizetype wholeTextLimit = 256 * 1024);

// The text cut after `graphemes` user-perceived characters, untrimmed.
QString firstGraphemes(QStringView text, int graphemes);

} // namespace TextPreview
