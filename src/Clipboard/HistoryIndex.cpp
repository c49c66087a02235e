#include "Clipboard/HistoryIndex.h"

#include "Foundation/Uuid.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>

namespace HistoryIndex {

namespace {

void appendString(QByteArray& out, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    out.append('"');
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

std::optional<QString> stringField(const nlohmann::json& object, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return std::nullopt;
    return QString::fromStdString(found->get_ref<const std::string&>());
}

std::optional<ClipboardItem> decodeItem(const nlohmann::json& object)
{
    if (!object.is_object())
        return std::nullopt;
    ClipboardItem item;

    const auto id = stringField(object, "id");
    const auto canonicalId = id ? Uuid::canonical(*id) : std::nullopt;
    if (!canonicalId)
        return std::nullopt;
    item.id = *canonicalId;

    const auto date = object.find("date");
    if (date == object.end() || !date->is_number())
        return std::nullopt;
    item.date = date->get<double>();
    if (!std::isfinite(item.date))
        return std::nullopt;

    const auto kindText = stringField(object, "kind");
    const auto kind = kindText ? ClipboardItem::kindFromRawValue(*kindText) : std::nullopt;
    if (!kind)
        return std::nullopt;
    item.kind = *kind;

    const auto preview = stringField(object, "preview");
    const auto fingerprint = stringField(object, "fingerprint");
    if (!preview || !fingerprint)
        return std::nullopt;
    item.preview = *preview;
    item.fingerprint = *fingerprint;

    const auto itemTypes = object.find("itemTypes");
    if (itemTypes == object.end() || !itemTypes->is_array())
        return std::nullopt;
    item.itemTypes.reserve(itemTypes->size());
    for (const auto& types : *itemTypes) {
        if (!types.is_array())
            return std::nullopt;
        QStringList list;
        list.reserve(static_cast<qsizetype>(types.size()));
        for (const auto& type : types) {
            if (!type.is_string())
                return std::nullopt;
            list.append(QString::fromStdString(type.get_ref<const std::string&>()));
        }
        item.itemTypes.push_back(std::move(list));
    }

    // An explicit null reads as absent, as an optional key does.
    if (const auto source = object.find("sourceBundleID"); source != object.end() && !source->is_null()) {
        if (!source->is_string())
            return std::nullopt;
        item.sourceBundleID = QString::fromStdString(source->get_ref<const std::string&>());
    }
    return item;
}

} // namespace

QByteArray encode(const std::vector<ClipboardItem>& items)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(items.size()) * 256 + 2);
    out.append('[');
    for (std::size_t n = 0; n < items.size(); ++n) {
        const ClipboardItem& item = items[n];
        if (n > 0)
            out.append(',');
        out.append("{\"id\":");
        appendString(out, item.id);
        out.append(",\"date\":");
        appendDate(out, item.date);
        out.append(",\"kind\":");
        appendString(out, ClipboardItem::rawValue(item.kind));
        out.append(",\"preview\":");
        appendString(out, item.preview);
        out.append(",\"itemTypes\":[");
        for (std::size_t i = 0; i < item.itemTypes.size(); ++i) {
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
    out.append(']');
    return out;
}

std::optional<std::vector<ClipboardItem>> decode(const QByteArray& bytes)
{
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (json.is_discarded() || !json.is_array())
        return std::nullopt;
    std::vector<ClipboardItem> items;
    items.reserve(json.size());
    for (const auto& entry : json) {
        auto item = decodeItem(entry);
        if (!item)
            return std::nullopt;
        items.push_back(std::move(*item));
    }
    return items;
}

} // namespace HistoryIndex
