#include "GlobalShortcuts/StoredShortcut.h"

#include <cstdlib>

using GlobalShortcuts::StoredShortcut;

// A stored shortcut is whatever the defaults file held: text of any kind, even broken UTF-16, and data.
// Every value reads as some state, and a shortcut that reads back writes out as itself.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto bytes = QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString texts[] { QString::fromUtf8(bytes),
        QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2)) };
    for (const auto& text : texts) {
        const auto read = StoredShortcut::decode(DefaultsValue(text));
        if (read.state == StoredShortcut::State::Disabled)
            std::abort();
        if (read.state == StoredShortcut::State::Shortcut) {
            const auto again = StoredShortcut::decode(DefaultsValue(StoredShortcut::encode(*read.shortcut)));
            if (again.state != StoredShortcut::State::Shortcut || again.shortcut != read.shortcut)
                std::abort();
        }
    }
    if (StoredShortcut::decode(DefaultsValue(bytes)).state != StoredShortcut::State::NotSet)
        std::abort();
    return 0;
}
