#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// The bytes of a representation made only when a reader first asks for them, then kept: for those that
// cost much to make and that most readers never want. May be asked for on any thread; a reader that comes
// while they are being made waits for them.
class PromisedBytes final {
public:
    explicit PromisedBytes(std::function<QByteArray()> make)
        : m_make(std::move(make))
    { }

    // Empty when they could not be made.
    QByteArray bytes() const
    {
        std::call_once(m_once, [this] {
            m_bytes = m_make();
            m_make = nullptr;
        });
        return m_bytes;
    }

private:
    mutable std::once_flag m_once;
    mutable std::function<QByteArray()> m_make;
    mutable QByteArray m_bytes;
};

// One item of the pasteboard: its representations in the order the writer declared them, then those it
// promised, whose bytes are made when a reader asks.
struct PasteboardItem {
    std::vector<std::pair<QString, QByteArray>> representations;
    std::vector<std::pair<QString, std::shared_ptr<const PromisedBytes>>> promised;

    // Makes the bytes of a promised type; nothing when they could not be made.
    std::optional<QByteArray> data(const QString& type) const
    {
        for (const auto& [t, bytes] : representations)
            if (t == type)
                return bytes;
        if (const auto promise = promiseOf(type)) {
            QByteArray bytes = promise->bytes();
            if (!bytes.isEmpty())
                return bytes;
        }
        return std::nullopt;
    }
    std::shared_ptr<const PromisedBytes> promiseOf(const QString& type) const
    {
        for (const auto& [t, promise] : promised)
            if (t == type)
                return promise;
        return nullptr;
    }
    // Never makes promised bytes.
    bool hasType(const QString& type) const { return types().contains(type); }
    QStringList types() const
    {
        QStringList result;
        for (const auto& [type, data] : representations)
            result.append(type);
        for (const auto& [type, promise] : promised)
            result.append(type);
        return result;
    }
    void setData(const QString& type, const QByteArray& bytes) { representations.emplace_back(type, bytes); }
    void promise(const QString& type, std::shared_ptr<const PromisedBytes> bytes)
    {
        promised.emplace_back(type, std::move(bytes));
    }
    bool operator==(const PasteboardItem&) const = default;

    // The types of all `items`, each once, in first-seen order: what a pasteboard reports as its types.
    static QStringList typesOf(const std::vector<PasteboardItem>& items)
    {
        QStringList result;
        for (const auto& item : items)
            for (const QString& type : item.types())
                if (!result.contains(type))
                    result.append(type);
        return result;
    }
};
