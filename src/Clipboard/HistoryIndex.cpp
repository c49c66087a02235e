#include "Clipboard/HistoryIndex.h"

#include "Foundation/Uuid.h"

#include <simdjson.h>

#include <QStringEncoder>

#include <charconv>
#include <cmath>
#include <map>
#include <string>
#include <thread>

namespace HistoryIndex {

namespace {

bool needsEscaping(QStringView text)
{
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c == u'"' || c == u'\\')
            return true;
    return false;
}

void appendEscaped(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(utf8.constData() + runStart, i - runStart);
        runStart = i + 1;
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default: {
            char escape[7];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out.append(escape, 6);
        }
        }
    }
    out.append(utf8.constData() + runStart, utf8.size() - runStart);
}

void appendString(QByteArray& out, const QString& text)
{
    out.append('"');
    if (needsEscaping(text)) {
        appendEscaped(out, text);
    } else {
        // The common case: encode straight into the output, no temporary per string.
        QStringEncoder encoder(QStringEncoder::Utf8);
        const qsizetype start = out.size();
        out.resize(start + encoder.requiredSpace(text.size()));
        char* end = encoder.appendToBuffer(out.data() + start, text);
        out.resize(end - out.constData());
    }
    out.append('"');
}

void appendDate(QByteArray& out, double date)
{
    // Shortest text that reads back to the identical double.
    char buffer[64];
    const double value = std::isfinite(date) ? date : 0.0;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendItem(QByteArray& out, const ClipboardItem& item)
{
    out.append("{\"id\":");
    appendString(out, item.id);
    out.append(",\"date\":");
    appendDate(out, item.date);
    out.append(",\"kind\":");
    appendString(out, ClipboardItem::rawValue(item.kind));
    out.append(",\"preview\":");
    appendString(out, item.preview);
    out.append(",\"itemTypes\":[");
    for (qsizetype i = 0; i < item.itemTypes.size(); ++i) {
        if (i > 0)
            out.append(',');
        out.append('[');
        for (qsizetype j = 0; j < item.itemTypes[i].size(); ++j) {
            if (j > 0)
                out.append(',');
            appendString(out, item.itemTypes[i][j]);
        }
        out.append(']');
    }
    out.append("],\"fingerprint\":");
    appendString(out, item.fingerprint);
    if (item.sourceBundleID) {
        out.append(",\"sourceBundleID\":");
        appendString(out, *item.sourceBundleID);
    }
    out.append('}');
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Types, kinds and sources repeat across thousands of entries: each distinct text is made once and shared.
class SharedTexts {
public:
    QString get(std::string_view text)
    {
        auto found = m_texts.find(text);
        if (found == m_texts.end())
            found = m_texts.emplace(std::string(text), toQString(text)).first;
        return found->second;
    }

    // `key` spells the lists out unambiguously: every text with its length, every list with its end.
    const QList<QStringList>* findLists(const std::string& key) const
    {
        const auto found = m_lists.find(key);
        return found == m_lists.end() ? nullptr : &found->second;
    }
    const QList<QStringList>& addLists(const std::string& key, QList<QStringList> lists)
    {
        return m_lists.try_emplace(key, std::move(lists)).first->second;
    }
    // Spelt afresh for every entry in the same buffer, which then needs no allocation.
    std::string& key() { return m_key; }

private:
    std::string m_key;
    std::map<std::string, QString, std::less<>> m_texts;
    std::map<std::string, QList<QStringList>> m_lists;
};

std::optional<QString> stringField(simdjson::dom::object object, std::string_view key)
{
    std::string_view text;
    if (object.at_key(key).get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    return toQString(text);
}

std::optional<ClipboardItem> decodeItem(simdjson::dom::element element, SharedTexts& shared)
{
    simdjson::dom::object object;
    if (element.get_object().get(object) != simdjson::SUCCESS)
        return std::nullopt;
    ClipboardItem item;

    const auto id = stringField(object, "id");
    const auto canonicalId = id ? Uuid::canonical(*id) : std::nullopt;
    if (!canonicalId)
        return std::nullopt;
    item.id = *canonicalId;

    if (object.at_key("date").get_double().get(item.date) != simdjson::SUCCESS || !std::isfinite(item.date))
        return std::nullopt;

    std::string_view kindText;
    if (object.at_key("kind").get_string().get(kindText) != simdjson::SUCCESS)
        return std::nullopt;
    const auto kind = ClipboardItem::kindFromRawValue(shared.get(kindText));
    if (!kind)
        return std::nullopt;
    item.kind = *kind;

    const auto preview = stringField(object, "preview");
    const auto fingerprint = stringField(object, "fingerprint");
    if (!preview || !fingerprint)
        return std::nullopt;
    item.preview = *preview;
    item.fingerprint = *fingerprint;

    simdjson::dom::array itemTypes;
    if (object.at_key("itemTypes").get_array().get(itemTypes) != simdjson::SUCCESS)
        return std::nullopt;
    // Most entries have one of a few type lists: the whole list is shared, not only its texts, and it is
    // made only the first time it is met.
    std::string& key = shared.key();
    key.clear();
    for (simdjson::dom::element types : itemTypes) {
        simdjson::dom::array typeArray;
        if (types.get_array().get(typeArray) != simdjson::SUCCESS)
            return std::nullopt;
        for (simdjson::dom::element type : typeArray) {
            std::string_view text;
            if (type.get_string().get(text) != simdjson::SUCCESS)
                return std::nullopt;
            key.append(std::to_string(text.size())).append(1, ':').append(text);
        }
        key.push_back(';');
    }
    if (const auto* lists = shared.findLists(key)) {
        item.itemTypes = *lists;
    } else {
        QList<QStringList> made;
        made.reserve(static_cast<qsizetype>(itemTypes.size()));
        // Read before, every one of them an array of strings.
        for (simdjson::dom::element types : itemTypes) {
            QStringList list;
            simdjson::dom::array typeArray;
            std::string_view text;
            if (types.get_array().get(typeArray) == simdjson::SUCCESS)
                for (simdjson::dom::element type : typeArray)
                    if (type.get_string().get(text) == simdjson::SUCCESS)
                        list.append(shared.get(text));
            made.append(std::move(list));
        }
        item.itemTypes = shared.addLists(key, std::move(made));
    }

    // An explicit null reads as absent, as an optional key does.
    simdjson::dom::element source;
    if (object.at_key("sourceBundleID").get(source) == simdjson::SUCCESS && !source.is_null()) {
        std::string_view text;
        if (source.get_string().get(text) != simdjson::SUCCESS)
            return std::nullopt;
        item.sourceBundleID = shared.get(text);
    }
    return item;
}

} // namespace

QByteArray encode(std::span<const ClipboardItem> items)
{
    return encode(std::initializer_list<std::span<const ClipboardItem>> { items });
}

QByteArray encode(std::initializer_list<std::span<const ClipboardItem>> parts)
{
    std::size_t count = 0;
    for (const auto part : parts)
        count += part.size();
    QByteArray out;
    out.reserve(static_cast<qsizetype>(count) * 256 + 2);
    encode(parts, [&out](QByteArrayView piece) {
        out.append(piece);
        return true;
    });
    return out;
}

bool encode(std::initializer_list<std::span<const ClipboardItem>> parts,
    const std::function<bool(QByteArrayView)>& sink)
{
    constexpr qsizetype pieceSize = 1024 * 1024;
    QByteArray piece;
    // One entry may be longer than a piece; the room keeps the usual one from growing the buffer.
    piece.reserve(pieceSize + 64 * 1024);
    piece.append('[');
    bool first = true;
    for (const auto part : parts) {
        for (const ClipboardItem& item : part) {
            if (!std::exchange(first, false))
                piece.append(',');
            appendItem(piece, item);
            if (piece.size() >= pieceSize) {
                if (!sink(piece))
                    return false;
                piece.resize(0);
            }
        }
    }
    piece.append(']');
    return sink(piece);
}

namespace {

bool isJsonSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// `bytes` holds `size` bytes of JSON and, when `padded`, enough readable room after them for the parser.
std::optional<std::vector<ClipboardItem>> decodeBytes(const char* bytes, std::size_t size, bool padded)
{
    // The parser validates the whole document, UTF-8 included, before anything is read from it.
    simdjson::dom::parser parser;
    simdjson::dom::array array;
    // The parser reads a little past the end; an index of tens of megabytes is not copied just for that.
    std::optional<simdjson::padded_string> copy;
    if (!padded)
        copy.emplace(bytes, size);
    const auto parsed = copy ? parser.parse(*copy) : parser.parse(bytes, size, false);
    if (parsed.get_array().get(array) != simdjson::SUCCESS)
        return std::nullopt;
    std::vector<simdjson::dom::element> entries;
    entries.reserve(array.size());
    for (simdjson::dom::element entry : array)
        entries.push_back(entry);
    std::vector<ClipboardItem> items(entries.size());
    const auto decodeRange = [&entries, &items](std::size_t from, std::size_t to) {
        SharedTexts shared;
        for (std::size_t i = from; i < to; ++i) {
            auto item = decodeItem(entries[i], shared);
            if (!item)
                return false;
            items[i] = std::move(*item);
        }
        return true;
    };
    // The parsed document is only read from here on: a long history's second half is decoded on a
    // thread of its own, each half with its own shared texts.
    constexpr std::size_t alone = 8192;
    if (entries.size() < alone)
        return decodeRange(0, entries.size()) ? std::optional(std::move(items)) : std::nullopt;
    const std::size_t half = entries.size() / 2;
    bool secondDecoded = false;
    std::jthread second([&] { secondDecoded = decodeRange(half, entries.size()); });
    const bool firstDecoded = decodeRange(0, half);
    second.join();
    if (!firstDecoded || !secondDecoded)
        return std::nullopt;
    return items;
}

bool hasPadding(const QByteArray& bytes)
{
    return bytes.capacity() - bytes.size() >= qsizetype(simdjson::SIMDJSON_PADDING);
}

} // namespace

std::optional<std::vector<ClipboardItem>> decode(const QByteArray& bytes)
{
    return decodeBytes(bytes.constData(), static_cast<std::size_t>(bytes.size()), hasPadding(bytes));
}

std::optional<qsizetype> endOfWholeEntries(QByteArrayView start)
{
    qsizetype i = 0;
    const auto skipSpace = [&] {
        while (i < start.size() && isJsonSpace(start[i]))
            ++i;
    };
    skipSpace();
    if (i == start.size() || start[i] != '[')
        return std::nullopt;
    ++i;
    std::optional<qsizetype> end;
    for (;;) {
        skipSpace();
        if (i == start.size() || start[i] != '{')
            return end;
        // Strings are skipped whole, escapes included, so that brackets in a preview count for nothing.
        int depth = 0;
        bool inString = false;
        for (; i < start.size(); ++i) {
            const char c = start[i];
            if (inString) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    inString = false;
            } else if (c == '"') {
                inString = true;
            } else if (c == '{' || c == '[') {
                ++depth;
            } else if ((c == '}' || c == ']') && --depth == 0) {
                break;
            }
        }
        if (i >= start.size())
            return end;
        ++i;
        skipSpace();
        if (i == start.size() || start[i] != ',')
            return end;
        end = i++;
    }
}

std::optional<std::vector<ClipboardItem>> decodeHead(QByteArrayView index, qsizetype end)
{
    QByteArray head;
    head.reserve(end + 1 + qsizetype(simdjson::SIMDJSON_PADDING));
    head.append(index.first(end)).append(']');
    return decodeBytes(head.constData(), static_cast<std::size_t>(head.size()), true);
}

std::optional<std::vector<ClipboardItem>> decodeRest(QByteArray& index, qsizetype end)
{
    index[end] = '[';
    auto items = decodeBytes(
        index.constData() + end, static_cast<std::size_t>(index.size() - end), hasPadding(index));
    // "[e1, ..., ek, ]" is no index, though its two parts would both read.
    if (items && items->empty())
        return std::nullopt;
    return items;
}

} // namespace HistoryIndex
