#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// What the release feed announces. Every field is optional: an absent key, or one holding null, leaves it
// unset.
struct Release {
    // The feed never has to be read whole into memory beyond this; a larger answer is refused unread.
    static constexpr qint64 maximumFeedBytes = 1024 * 1024;

    std::optional<bool> available;
    std::optional<QString> version;
    std::optional<QString> notes;
    std::optional<QString> sha256;

    // The feed's record, or nothing when the bytes are not a JSON object or one of the known keys holds a
    // value of the wrong type. Unknown keys are ignored; strings are kept exactly as written.
    static std::optional<Release> decode(QByteArrayView bytes);
};
