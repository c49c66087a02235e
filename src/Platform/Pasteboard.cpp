#include "Platform/Pasteboard.h"

#include "Platform/PasteboardTypes.h"

bool Pasteboard::writeUrls(const std::vector<QUrl>& urls)
{
    std::vector<PasteboardItem> items;
    for (const QUrl& url : urls) {
        if (!url.isValid())
            continue;
        PasteboardItem item;
        item.setData(url.isLocalFile() ? PasteboardTypes::fileUrl : PasteboardTypes::url, url.toEncoded());
        items.push_back(std::move(item));
    }
    return writeItems(items);
}
