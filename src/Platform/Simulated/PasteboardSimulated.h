#pragma once

#include "Platform/Pasteboard.h"

#include <functional>
#include <memory>
#include <optional>

class Scheduler;

// An in-process pasteboard that behaves like the system's: every clear moves the change count, items keep
// their representations in order, promised ones are made only when a reader asks for their bytes, another
// application's copy may take time to arrive, and every write is reported to an observer.
class PasteboardSimulated final : public Pasteboard {
public:
    enum class Writer { User, App };

    ~PasteboardSimulated() override;

    long long changeCount() const override { return m_changeCount; }
    bool contentsArrived() const override { return !m_delivery; }
    QStringList types() const override;
    std::vector<PasteboardItem> items() const override;
    long long clearContents() override;
    bool writeItems(const std::vector<PasteboardItem>& items) override;

    // Another application copies: the contents are replaced in one change.
    void userCopy(const std::vector<PasteboardItem>& items);
    // Another application copies, but its data arrives only `delay` seconds later on `scheduler`, or never
    // without a delay, as from an owner that is slow or never answers. Data that would take longer than
    // the arrival budget is given up when the budget ends, and the change then reads as empty. A later
    // change drops what is still on its way.
    void userCopyArriving(
        const std::vector<PasteboardItem>& items, Scheduler& scheduler, std::optional<double> delay);

    // Told after each write, with who made it.
    std::function<void(Writer)> onWrite = [](Writer) {};

private:
    struct Delivery;

    long long m_changeCount = 0;
    std::vector<PasteboardItem> m_items;
    Writer m_writer = Writer::App;
    std::shared_ptr<Delivery> m_delivery;
};
