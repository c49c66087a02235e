#pragma once

#include "Platform/KeyboardEvents.h"

#include <QString>

#include <deque>
#include <vector>

class WorkspaceSimulated;

// The system's keyboard path in-process. A key event, typed or posted, passes every enabled tap (the most
// recently installed first) that is shown it; what no tap drops goes to this app's key window when it
// takes keys, or else to the application in front. Every event's fate is recorded.
class KeyboardEventsSimulated final : public KeyboardEvents {
public:
    enum class Fate { Dropped, App, Panel };
    // Which events a tap is shown (see KeyboardTap): every key event, as by a macOS event tap, or only
    // what a synchronous passive key grab on its chords would show.
    enum class TapModel { EventTap, KeyGrab };
    struct Delivery {
        KeyEvent event;
        bool posted = false; // the app posted it, rather than the user typing it
        Fate fate = Fate::App;
        QString application; // the receiving application's bundle identifier, for Fate::App
        bool shownToTap = false; // some tap was asked about it (under a key grab, not every event is)
    };

    explicit KeyboardEventsSimulated(const WorkspaceSimulated& workspace);
    ~KeyboardEventsSimulated() override;

    std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord> chords, TapCallback callback) override;
    bool post(const KeyEvent& event) override;
    bool offersTap() const override { return m_offersTap; }
    bool offersPosting() const override { return m_offersPosting; }

    // A hardware key event enters the system.
    void type(const KeyEvent& event);

    // The accessibility trust the tap depends on, and a failure switch for tap creation.
    void setTrusted(bool trusted) { m_trusted = trusted; }
    bool isTrusted() const { return m_trusted; }
    void setTapCreationFails(bool fails) { m_tapCreationFails = fails; }
    void setPostingFails(bool fails) { m_postingFails = fails; }
    void setTapModel(TapModel model) { m_tapModel = model; }
    // A session such as Wayland's, which has no tap at all, and may have nothing to post with either.
    void setOffers(bool tap, bool posting)
    {
        m_offersTap = tap;
        m_offersPosting = posting;
    }

    // This app's key window, when it takes key events: returns true when it consumed the event.
    std::function<bool(const KeyEvent&)> keyWindow;
    // Told of every delivery as it happens.
    std::function<void(const Delivery&)> onDelivery = [](const Delivery&) {};

    // The system switches every installed tap off for being too slow, and tells its callback.
    void disableTapsByTimeout();
    void disableTapsByUserInput();

    const std::vector<Delivery>& deliveries() const { return m_deliveries; }
    void clearDeliveries() { m_deliveries.clear(); }
    int installedTapCount() const { return static_cast<int>(m_taps.size()); }
    int postedCount() const { return m_postedCount; }

private:
    class Tap;
    friend class Tap;

    void dispatch(const KeyEvent& event, bool posted);
    void deliver(const KeyEvent& event, bool posted);
    void disableTaps(KeyboardTap::Notice notice);

    const WorkspaceSimulated& m_workspace;
    std::vector<Tap*> m_taps;
    std::vector<Delivery> m_deliveries;
    std::deque<std::pair<KeyEvent, bool>> m_queue;
    bool m_dispatching = false;
    bool m_trusted = true;
    bool m_tapCreationFails = false;
    bool m_offersTap = true;
    bool m_offersPosting = true;
    bool m_postingFails = false;
    TapModel m_tapModel = TapModel::EventTap;
    int m_postedCount = 0;
};
