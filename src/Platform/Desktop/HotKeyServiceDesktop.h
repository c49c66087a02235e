#pragma once

#include "Platform/HotKeyService.h"

#include <QObject>

#include <map>
#include <optional>
#include <set>
#include <vector>

class X11EventWatch;
typedef union _XEvent XEvent;
typedef struct _XDisplay Display;

// Hot keys on X11: passive key grabs on the root window, one per combination of the lock modifiers (Caps
// Lock, Num Lock), which must not matter. A grab the server refuses with BadAccess belongs to another
// client: the registration fails. The service keeps its own X connection, read on the main thread.
// While the program's menu is open it holds the keyboard, so raw key events are watched in the menu.
class HotKeyServiceDesktop final : public QObject, public HotKeyService {
    Q_OBJECT
public:
    explicit HotKeyServiceDesktop(QObject* parent = nullptr);
    ~HotKeyServiceDesktop() override;

    bool isAvailable() const { return m_display != nullptr; }

    std::optional<Reference> registerHotKey(
        std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id) override;
    void unregisterHotKey(Reference reference) override;
    bool installEventHandler(Handler handler) override;
    void setHotKeyEventsEnabled(bool enabled) override { m_hotKeyEvents = enabled; }
    void setRawKeyEventsEnabled(bool enabled) override;
    // No desktop publishes its reserved shortcuts in one place; isReservedBySystem asks the server.
    std::vector<SymbolicHotKey> symbolicHotKeys() override { return {}; }
    // Tries to grab the combination and lets it go at once: another client holds it when the server
    // refuses with BadAccess. One round trip to the server.
    bool isReservedBySystem(std::int64_t keyCode, std::int64_t modifiers) override;
    // The keysym of the key in the current XKB group, as text.
    std::optional<QString> characterForKey(std::int64_t keyCode) override;
    double keyRepeatDelay() const override;
    double keyRepeatInterval() const override;
    std::optional<KeyEvent> keyEventFrom(const QKeyEvent& event) const override;
    void beep() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Grab {
        unsigned int keycode = 0;
        unsigned int state = 0;
        HotKeyId id;
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
    };

    // The X keycode and modifier mask of a combination; nothing when X cannot express it.
    std::optional<std::pair<unsigned int, unsigned int>> combination(
        std::uint32_t keyCode, std::uint32_t modifiers) const;
    std::vector<unsigned int> lockVariants() const;
    // Grabs every lock variant; false (with nothing left grabbed) when the server refused any.
    bool grab(unsigned int keycode, unsigned int state);
    void ungrab(unsigned int keycode, unsigned int state);
    void handle(const XEvent& event);
    int deliver(const Event& event);

    Display* m_display = nullptr;
    X11EventWatch* m_events = nullptr;
    unsigned int m_numLockMask = 0;
    std::map<Reference, Grab> m_grabs;
    Reference m_nextReference = 1;
    Handler m_handler;
    bool m_hotKeyEvents = false;
    bool m_rawKeyEvents = false;
    // The keycode whose press went to a hot key, until its release: the press's id.
    std::map<unsigned int, HotKeyId> m_pressed;
};
