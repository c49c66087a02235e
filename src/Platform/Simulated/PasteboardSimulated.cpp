#include "Platform/Simulated/PasteboardSimulated.h"

#include "Foundation/Scheduler.h"

// Owned by the pasteboard alone, so a scheduled arrival that outlives it, or the change it belongs to,
// finds nothing to deliver to.
struct PasteboardSimulated::Delivery {
    std::vector<PasteboardItem> items;
    TaskHandle wait;
};

PasteboardSimulated::~PasteboardSimulated()
{
    if (m_delivery)
        m_delivery->wait.cancel();
}

QStringList PasteboardSimulated::types() const
{
    return PasteboardItem::typesOf(items());
}

std::vector<PasteboardItem> PasteboardSimulated::items() const
{
    if (m_delivery)
        return {};
    return m_items;
}

long long PasteboardSimulated::clearContents()
{
    if (m_delivery) {
        m_delivery->wait.cancel();
        m_delivery.reset();
    }
    m_items.clear();
    return ++m_changeCount;
}

bool PasteboardSimulated::writeItems(const std::vector<PasteboardItem>& items)
{
    if (items.empty())
        return false;
    m_items.insert(m_items.end(), items.begin(), items.end());
    onWrite(m_writer);
    return true;
}

void PasteboardSimulated::userCopy(const std::vector<PasteboardItem>& items)
{
    clearContents();
    m_writer = Writer::User;
    m_items = items;
    onWrite(Writer::User);
    m_writer = Writer::App;
}

void PasteboardSimulated::userCopyArriving(
    const std::vector<PasteboardItem>& items, Scheduler& scheduler, std::optional<double> delay)
{
    userCopy({});
    auto delivery = std::make_shared<Delivery>();
    delivery->items = items;
    m_delivery = delivery;
    const bool inTime = delay && *delay <= arrivalBudget;
    const std::weak_ptr<Delivery> weak = delivery;
    delivery->wait = scheduler.after(inTime ? *delay : arrivalBudget, [this, weak, inTime](bool cancelled) {
        const auto arriving = weak.lock();
        if (cancelled || !arriving)
            return;
        m_items = inTime ? arriving->items : std::vector<PasteboardItem> {};
        m_delivery.reset();
    });
}
