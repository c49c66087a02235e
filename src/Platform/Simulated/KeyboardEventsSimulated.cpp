#include "Platform/Simulated/KeyboardEventsSimulated.h"

#include "Platform/Simulated/WorkspaceSimulated.h"

#include <algorithm>

class KeyboardEventsSimulated::Tap final : public KeyboardTap {
public:
    Tap(KeyboardEventsSimulated* owner, TapCallback callback)
        : m_owner(owner)
        , m_callback(std::move(callback))
    {
    }
    ~Tap() override
    {
        if (m_owner)
            std::erase(m_owner->m_taps, this);
    }
    void setEnabled(bool enabled) override { m_enabled = enabled; }
    bool isEnabled() const override { return m_enabled; }

    KeyboardEventsSimulated* m_owner;
    TapCallback m_callback;
    bool m_enabled = true;
};

KeyboardEventsSimulated::KeyboardEventsSimulated(const WorkspaceSimulated& workspace)
    : m_workspace(workspace)
{
}

KeyboardEventsSimulated::~KeyboardEventsSimulated()
{
    for (Tap* tap : m_taps)
        tap->m_owner = nullptr;
}

std::unique_ptr<KeyboardTap> KeyboardEventsSimulated::createTap(TapCallback callback)
{
    if (!m_trusted || m_tapCreationFails)
        return nullptr;
    auto tap = std::make_unique<Tap>(this, std::move(callback));
    // Head insertion: a newer tap sees events before older ones.
    m_taps.insert(m_taps.begin(), tap.get());
    return tap;
}

bool KeyboardEventsSimulated::post(const KeyEvent& event)
{
    if (m_postingFails)
        return false;
    ++m_postedCount;
    dispatch(event, true);
    return true;
}

void KeyboardEventsSimulated::type(const KeyEvent& event)
{
    dispatch(event, false);
}

void KeyboardEventsSimulated::dispatch(const KeyEvent& event, bool posted)
{
    // Events raised while one is being handled (a tap callback that posts) queue behind it, as they
    // would in the system's event stream.
    m_queue.emplace_back(event, posted);
    if (m_dispatching)
        return;
    m_dispatching = true;
    while (!m_queue.empty()) {
        auto [next, nextPosted] = m_queue.front();
        m_queue.pop_front();
        deliver(next, nextPosted);
    }
    m_dispatching = false;
}

void KeyboardEventsSimulated::deliver(const KeyEvent& event, bool posted)
{
    Delivery delivery { event, posted, Fate::App, {} };
    const auto notice = event.isDown ? KeyboardTap::Notice::KeyDown : KeyboardTap::Notice::KeyUp;
    // A callback may remove taps, so walk a copy and skip those that went away.
    const std::vector<Tap*> taps = m_taps;
    for (Tap* tap : taps) {
        if (std::find(m_taps.begin(), m_taps.end(), tap) == m_taps.end() || !tap->m_enabled)
            continue;
        if (tap->m_callback(notice, event) == KeyboardTap::Verdict::Drop) {
            delivery.fate = Fate::Dropped;
            break;
        }
    }
    if (delivery.fate != Fate::Dropped) {
        if (keyWindow && keyWindow(event)) {
            delivery.fate = Fate::Panel;
        } else if (const auto front = m_workspace.frontmostApplication(); front && front->bundleIdentifier) {
            delivery.application = *front->bundleIdentifier;
        }
    }
    m_deliveries.push_back(delivery);
    onDelivery(delivery);
}

void KeyboardEventsSimulated::disableTapsByTimeout()
{
    disableTaps(KeyboardTap::Notice::DisabledByTimeout);
}

void KeyboardEventsSimulated::disableTapsByUserInput()
{
    disableTaps(KeyboardTap::Notice::DisabledByUserInput);
}

void KeyboardEventsSimulated::disableTaps(KeyboardTap::Notice notice)
{
    const std::vector<Tap*> taps = m_taps;
    for (Tap* tap : taps) {
        if (std::find(m_taps.begin(), m_taps.end(), tap) == m_taps.end())
            continue;
        tap->m_enabled = false;
        tap->m_callback(notice, KeyEvent {});
    }
}
