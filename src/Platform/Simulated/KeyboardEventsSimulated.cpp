#include "Platform/Simulated/KeyboardEventsSimulated.h"

#include "Platform/Simulated/WorkspaceSimulated.h"

#include <algorithm>

class KeyboardEventsSimulated::Tap final : public KeyboardTap {
public:
    Tap(KeyboardEventsSimulated* owner, std::vector<KeyChord> chords, TapCallback callback)
        : m_owner(owner)
        , m_chords(std::move(chords))
        , m_callback(std::move(callback))
    { }
    ~Tap() override
    {
        if (m_owner)
            std::erase(m_owner->m_taps, this);
    }
    void setEnabled(bool enabled) override
    {
        m_enabled = enabled;
        m_grabbedKeys.clear();
    }
    bool isEnabled() const override { return m_enabled; }
    bool setChords(std::vector<KeyChord> chords) override
    {
        // Like a new grab: refused where creating a tap would be.
        if (m_owner && (m_owner->m_tapCreationFails || !m_owner->m_trusted))
            return false;
        m_chords = std::move(chords);
        return true;
    }

    bool shows(const KeyEvent& event, TapModel model) const
    {
        if (!m_enabled)
            return false;
        if (model == TapModel::EventTap || !m_grabbedKeys.empty())
            return true;
        return event.isDown && std::any_of(m_chords.begin(), m_chords.end(), [&](const KeyChord& c) {
            return c.matches(event);
        });
    }

    // The keyboard stays grabbed while any key whose down was dropped is held; a passed chord press is
    // replayed and takes no grab.
    void noteVerdict(const KeyEvent& event, Verdict verdict, TapModel model)
    {
        if (model != TapModel::KeyGrab)
            return;
        if (!event.isDown)
            std::erase(m_grabbedKeys, event.keyCode);
        else if (verdict == Verdict::Drop
            && std::find(m_grabbedKeys.begin(), m_grabbedKeys.end(), event.keyCode) == m_grabbedKeys.end())
            m_grabbedKeys.push_back(event.keyCode);
    }

    KeyboardEventsSimulated* m_owner;
    std::vector<KeyChord> m_chords;
    TapCallback m_callback;
    bool m_enabled = true;
    std::vector<std::uint16_t> m_grabbedKeys;
};

KeyboardEventsSimulated::KeyboardEventsSimulated(const WorkspaceSimulated& workspace)
    : m_workspace(workspace)
{ }

KeyboardEventsSimulated::~KeyboardEventsSimulated()
{
    for (Tap* tap : m_taps)
        tap->m_owner = nullptr;
}

std::unique_ptr<KeyboardTap> KeyboardEventsSimulated::createTap(
    std::vector<KeyChord> chords, TapCallback callback)
{
    if (!m_trusted || m_tapCreationFails)
        return nullptr;
    auto tap = std::make_unique<Tap>(this, std::move(chords), std::move(callback));
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
    const auto installed
        = [this](Tap* tap) { return std::find(m_taps.begin(), m_taps.end(), tap) != m_taps.end(); };
    for (Tap* tap : taps) {
        if (!installed(tap) || !tap->shows(event, m_tapModel))
            continue;
        delivery.shownToTap = true;
        const auto verdict = tap->m_callback(notice, event);
        if (installed(tap))
            tap->noteVerdict(event, verdict, m_tapModel);
        if (verdict == KeyboardTap::Verdict::Drop) {
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
        tap->setEnabled(false);
        tap->m_callback(notice, KeyEvent {});
    }
}
