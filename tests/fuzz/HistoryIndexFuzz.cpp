#include "Clipboard/HistoryIndex.h"

#include <cstdlib>

// Whatever the index holds, decoding either refuses it or yields entries that encode and decode again
// to the same entries, with ids that are safe folder names.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto items = HistoryIndex::decode(bytes);
    if (!items)
        return 0;
    for (const auto& item : *items)
        if (item.id.size() != 36 || item.id.contains(u'/') || item.id.contains(u'.'))
            std::abort();
    const auto again = HistoryIndex::decode(HistoryIndex::encode(*items));
    if (!again || again->size() != items->size())
        std::abort();
    return 0;
}
