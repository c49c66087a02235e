#pragma once

#include "Platform/KeyboardEvents.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <optional>
#include <set>

class X11EventWatch;
typedef struct _XDisplay Display;
union _XEvent;

// The X11 keyboard: taps are synchronous passive key grabs on the root window (KeyboardTap describes the
// protocol), posting goes through XTest. The backend keeps its own X connection, read on the main thread
// through the Qt event loop.
class KeyboardEventsDesktop final : public QObject, public KeyboardEvents {
    Q_OBJECT
public:
    // Connects to the display named by DISPLAY. Without a display or without XTest nothing can be tapped or
    // posted.
    explicit KeyboardEventsDesktop(QObject* parent = nullptr);
    ~KeyboardEventsDesktop() override;

    // Whether an X connection with XTest exists.
    bool isAvailable() const { return m_display != nullptr; }

    std::unique_ptr<KeyboardTap> createTap(std::vector<KeyChord> chords, TapCallback callback) override;
    bool post(const KeyEvent& event) override;

private:
    class Tap;
    friend class Tap;
    struct Posted {
        unsigned int keycode = 0;
        bool isDown = false;
        std::int64_t userData = 0;
        qint64 postedAt = 0;
    };

    bool grab(const std::vector<KeyChord>& chords, bool on);
    void handle(const _XEvent& event);
    KeyboardTap::Verdict dispatch(const KeyEvent& event, bool grabbedPress);
    void repost(unsigned int keycode, bool isDown, std::int64_t userData);
    void keepKeyboard(bool keep);
    void loseGrab();
    std::int64_t takePosted(unsigned int keycode, bool isDown);
    // Drops posted events that never came back in time; returns the moment it judged by.
    qint64 forgetExpiredPosts();
    void fakeKey(unsigned int keycode, bool isDown, std::int64_t userData);
    void forgetReleasedKeys();
    void forgetUnreturnable();
    void readQueuedLater();
    bool isGrabbed(unsigned int keycode) const;
    // The X keycode that types a virtual key code; 0 when there is none.
    unsigned int keycodeFor(std::uint16_t keyCode) const;
    // The keysym of an X key by which the program names it.
    unsigned long latinKeysym(unsigned int keycode) const;
    void removeTap(Tap* tap);

    Display* m_display = nullptr;
    X11EventWatch* m_events = nullptr;
    unsigned int m_numLockMask = 0;
    std::vector<Tap*> m_taps;
    // Keys this connection saw go down and not yet up: a second press of one is an auto-repeat.
    std::set<unsigned int> m_downKeys;
    // Keys whose down a tap dropped, still held: until all are up every key event is ours to judge.
    std::set<unsigned int> m_droppedKeys;
    // Keys pressed again through XTest after a tap passed them during a hold.
    std::set<unsigned int> m_repostedKeys;
    // The key whose press activated the passive grab still in force.
    std::optional<unsigned int> m_passiveKey;
    bool m_keyboardGrabbed = false;
    // What we posted and may still come back through a grab.
    std::deque<Posted> m_posted;
    // Keys passed on go to their window, whose releases we never see; the key map tells when they are up.
    QTimer m_releasePoll;
};
