#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// One item of the pasteboard: its representations in the order the writer declared them.
struct PasteboardItem {
    std::vector<std::pair<QString, QByteArray>> representations;

    std::optional<QByteArray> data(const QString& type) const
    {
        for (const auto& [t, bytes] : representations)
            if (t == type)
                return bytes;
        return std::nullopt;
    }
    bool hasType(const QString& type) const { return data(type).has_value(); }
    void setData(const QString& type, const QByteArray& bytes) { representations.emplace_back(type, bytes); }
    bool operator==(const PasteboardItem&) const = default;

    // The types of all `items`, each once, in first-seen order: what a pasteboard reports as its types.
    static QStringList typesOf(const std::vector<PasteboardItem>& items)
    {
        QStringList result;
        for (const auto& item : items)
            for (const auto& [type, data] : item.representations)
                if (!result.contains(type))
                    result.append(type);
        return result;
    }
};
