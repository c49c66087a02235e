#pragma once

#include "Platform/Pasteboard.h"

#include <functional>

// An in-process pasteboard that behaves like the system's: every clear moves the change count, items keep
// their representations in order, and every write is reported to an observer.
class PasteboardSimulated final : public Pasteboard {
public:
    enum class Writer { User, App };

    long long changeCount() const override { return m_changeCount; }
    QStringList types() const override;
    std::vector<PasteboardItem> items() const override { return m_items; }
    long long clearContents() override;
    bool writeItems(const std::vector<PasteboardItem>& items) override;

    // Another application copies: the contents are replaced in one change.
    void userCopy(const std::vector<PasteboardItem>& items);

    // Told after each write, with who made it.
    std::function<void(Writer)> onWrite = [](Writer) {};

private:
    long long m_changeCount = 0;
    std::vector<PasteboardItem> m_items;
    Writer m_writer = Writer::App;
};
