#pragma once

#include "Platform/HotKeyService.h"

#include <QHash>

#include <functional>
#include <set>
#include <vector>

// The system's hot keys in-process. A hardware key event (type()) whose key and modifiers match a
// registered hot key goes to it and to no application: its pressed and released events reach the installed
// handler while hot-key events are enabled. While a menu tracks, key events go to the menu, and the raw
// key watch, when on, is told of each on the way. Combinations held by other clients are refused; the
// system's reserved ones are listed. Every registration is recorded.
class HotKeyServiceSimulated final : public HotKeyService {
public:
    struct Registration {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        HotKeyId id;
        Reference reference = 0;
    };

    HotKeyServiceSimulated();

    std::optional<Reference> registerHotKey(
        std::uint32_t keyCode, std::uint32_t modifiers, HotKeyId id) override;
    void unregisterHotKey(Reference reference) override;
    bool installEventHandler(Handler handler) override;
    void setHotKeyEventsEnabled(bool enabled) override { m_hotKeyEvents = enabled; }
    void setRawKeyEventsEnabled(bool enabled) override { m_rawKeyEvents = enabled; }
    std::vector<SymbolicHotKey> symbolicHotKeys() override { return m_symbolic; }
    std::optional<QString> characterForKey(std::int64_t keyCode) override;
    double keyRepeatDelay() const override { return 0.5; }
    double keyRepeatInterval() const override { return 0.05; }
    std::optional<KeyEvent> keyEventFrom(const QKeyEvent& event) const override;
    void beep() override
    {
        ++m_beeps;
        onBeep();
    }
    int beeps() const { return m_beeps; }
    std::function<void()> onBeep = [] {};

    // A hardware key event enters the system; true when a hot key took it.
    bool type(const KeyEvent& event);
    // The menu begins or ends tracking; key events go to it meanwhile.
    void setMenuTracking(bool tracking);
    bool isMenuTracking() const { return m_menuTracking; }

    // Another client holds the combination: registering it fails.
    void takeCombination(std::uint32_t keyCode, std::uint32_t modifiers);
    // The system reserves the combination (an enabled symbolic hot key); `enabled` false lists it switched
    // off.
    void reserve(std::int64_t keyCode, std::int64_t modifiers, bool enabled = true);
    void setHandlerInstallationFails(bool fails) { m_handlerFails = fails; }
    // The layout's text for a key; an empty text makes the key type nothing.
    void setCharacter(std::int64_t keyCode, const QString& text) { m_layout.insert(keyCode, text); }

    const std::vector<Registration>& registrations() const { return m_registrations; }
    bool isRegistered(std::uint32_t keyCode, std::uint32_t modifiers) const;
    bool hotKeyEventsEnabled() const { return m_hotKeyEvents; }
    bool rawKeyEventsEnabled() const { return m_rawKeyEvents; }
    // Answer of the handler to the last event it was shown.
    int lastHandlerResult() const { return m_lastResult; }
    // Delivers an event to the installed handler as the system would; the handler's answer, or "not
    // handled" when there is none.
    int deliver(const Event& event);

    std::function<void(const Registration&, bool ok)> onRegister = [](const Registration&, bool) {};
    std::function<void(const Registration&)> onUnregister = [](const Registration&) {};
    std::function<void(const HotKeyId&, bool down)> onHotKey = [](const HotKeyId&, bool) {};

private:
    const Registration* matching(const KeyEvent& event) const;

    std::vector<Registration> m_registrations;
    std::set<std::pair<std::uint32_t, std::uint32_t>> m_taken;
    std::vector<SymbolicHotKey> m_symbolic;
    QHash<std::int64_t, QString> m_layout;
    Handler m_handler;
    Reference m_nextReference = 1;
    bool m_hotKeyEvents = false;
    bool m_rawKeyEvents = false;
    bool m_menuTracking = false;
    bool m_handlerFails = false;
    int m_lastResult = eventNotHandledErr;
    int m_beeps = 0;
    // Keys whose press a hot key took: their release and repeats go to it too.
    std::set<std::uint16_t> m_keysDown;
};
