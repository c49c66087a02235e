#include "Platform/Simulated/PasteboardSimulated.h"

QStringList PasteboardSimulated::types() const
{
    return PasteboardItem::typesOf(m_items);
}

long long PasteboardSimulated::clearContents()
{
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
