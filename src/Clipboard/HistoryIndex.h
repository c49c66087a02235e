#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QByteArray>

#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

// The "index.json" format: a compact JSON array of entries, newest first, keys in a fixed order.
namespace HistoryIndex {

QByteArray encode(std::span<const ClipboardItem> items);
// The entries of the parts one after the other, as one index.
QByteArray encode(std::initializer_list<std::span<const ClipboardItem>> parts);
// The same index handed to `sink` in pieces of about a megabyte, so that a long history's index is never
// built whole in memory; false as soon as the sink refuses a piece.
bool encode(std::initializer_list<std::span<const ClipboardItem>> parts,
    const std::function<bool(QByteArrayView)>& sink);

// The entries, or nothing when the bytes are not a valid index. One bad entry spoils the whole file:
// every "id" must be a UUID (it becomes a folder name), every "kind" known, every required key present.
std::optional<std::vector<ClipboardItem>> decode(const QByteArray& bytes);

} // namespace HistoryIndex
