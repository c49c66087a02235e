#pragma once

#include "Platform/PasteboardItem.h"

#include <QStringList>
#include <QUrl>

#include <vector>

// The system's general pasteboard (the clipboard).
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // Grows on every change of the contents, whoever made it. Never fails.
    virtual long long changeCount() const = 0;
    // The union of the types of all items, in first-seen order; empty when the pasteboard is empty.
    virtual QStringList types() const = 0;
    // The items in order; empty when there are none or they cannot be read.
    virtual std::vector<PasteboardItem> items() const = 0;
    // Removes everything and returns the new change count.
    virtual long long clearContents() = 0;
    // Adds the items after what is there (normally right after clearContents). False when nothing was written.
    virtual bool writeItems(const std::vector<PasteboardItem>& items) = 0;
    // Adds one item per valid URL, each carrying the URL the way the system writes URL objects
    // ("public.file-url" for file URLs, "public.url" otherwise). False when nothing was written. A system
    // with URL objects of its own may write them instead.
    virtual bool writeUrls(const std::vector<QUrl>& urls);
};
