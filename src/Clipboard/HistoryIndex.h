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

// A long index read in two parts, its first entries before the rest. The two parts are valid exactly when
// the whole index is.
//
// Where the entries that lie whole in `start`, the beginning of an index, end: the position of the ','
// after the last of them. Nothing when no entry lies whole in `start`, or it does not begin as an index.
std::optional<qsizetype> endOfWholeEntries(QByteArrayView start);
// The entries before `end`.
std::optional<std::vector<ClipboardItem>> decodeHead(QByteArrayView index, qsizetype end);
// The entries after `end`, at least one; `index` is the whole index, changed to read them in place.
std::optional<std::vector<ClipboardItem>> decodeRest(QByteArray& index, qsizetype end);

} // namespace HistoryIndex
