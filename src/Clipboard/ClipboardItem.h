#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One entry of the clipboard history. Its raw data lives in the entry's folder, named by `id`.
struct ClipboardItem {
    enum class Kind { Text, Image, Files };

    QString id; // canonical upper-case UUID
    double date = 0; // seconds since 2001-01-01 UTC: last copied or pasted
    Kind kind = Kind::Text;
    QString preview;
    // For each pasteboard item, the types of its stored representations; file "i-j" holds type j of item i.
    // Shared, as Qt's strings are, so that handing a long history to the picker copies no lists.
    QList<QStringList> itemTypes;
    QString fingerprint; // 64 lower-case hex digits
    std::optional<QString> sourceBundleID;

    bool operator==(const ClipboardItem&) const = default;

    // "text", "image" or "files": what the index stores and what fingerprints start with.
    static QString rawValue(Kind kind);
    static std::optional<Kind> kindFromRawValue(const QString& raw);
};

// Every member moves as its bytes: a list of 100,000 entries shifts by memmove instead of entry by entry.
Q_DECLARE_TYPEINFO(ClipboardItem, Q_RELOCATABLE_TYPE);
