#pragma once

#include "Platform/PasteboardItem.h"

#include <QStringList>
#include <QUrl>

#include <vector>

// The system's general pasteboard (the clipboard).
class Pasteboard {
public:
    virtual ~Pasteboard() = default;

    // How long the contents of one copy may take to arrive from the application that made it, all types
    // together; contents still missing then are given up.
    static constexpr double arrivalBudget = 1.0;

    // Grows on every change of the contents, whoever made it. Never fails.
    virtual long long changeCount() const = 0;
    // Whether the contents of the current change have arrived: another application's copy is delivered by
    // that application, over time. Until they have arrived in full, or have been given up, this is false
    // and types() and items() say nothing of them. Never waits.
    virtual bool contentsArrived() const = 0;
    // The types on offer, each once, in first-seen order; empty when the pasteboard is empty, while the
    // contents are still arriving, or when they were given up. Never waits.
    virtual QStringList types() const = 0;
    // The items in order, with the data that arrived; empty when there are none, while they are still
    // arriving, or when they were given up. Never waits.
    virtual std::vector<PasteboardItem> items() const = 0;
    // Removes everything and returns the new change count.
    virtual long long clearContents() = 0;
    // Adds the items after what is there (normally right after clearContents). False when nothing was
    // written.
    virtual bool writeItems(const std::vector<PasteboardItem>& items) = 0;
    // Adds one item per valid URL, each carrying the URL the way the system writes URL objects
    // ("public.file-url" for file URLs, "public.url" otherwise). False when nothing was written. A system
    // with URL objects of its own may write them instead.
    virtual bool writeUrls(const std::vector<QUrl>& urls);
    // Offers what the pasteboard holds now as the primary selection too, where the system has one (X11:
    // what a middle click or Shift+Insert pastes). False where there is none or nothing was offered.
    virtual bool offerAsPrimarySelection() { return false; }
};
