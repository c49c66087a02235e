#pragma once

#include "GlobalShortcuts/Shortcut.h"
#include "Platform/HotKeyService.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace GlobalShortcuts {

class HotKey;

// The one link to the system's hot keys. It registers each HotKey, takes their events and, while a menu
// is being tracked (whose keyboard grab keeps hot keys from firing), lets the hot keys go and watches the
// raw key events through the menu instead. Main thread only.
class HotKeyCenter final {
public:
    enum class Mode { Disabled, Normal, MenuOpen };
    // Every hot-key identifier this centre registers carries it: 'GSHK'.
    static constexpr std::uint32_t signature = 0x4753484B;

    // Without a service every registration is refused and nothing is reserved. `enabled`: the global switch,
    // already combined with the pause.
    HotKeyCenter(HotKeyService* service, bool enabled);
    ~HotKeyCenter();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // The next hot-key id: 1, 2, 3, … in order of creation.
    std::int64_t nextId() { return ++m_lastHotKeyId; }
    std::int64_t lastHotKeyId() const { return m_lastHotKeyId; }
    // False when the system refused it, or its key code, modifiers or id do not fit the system's range.
    bool registerHotKey(const std::shared_ptr<HotKey>& hotKey);
    // Called by a hot key as it goes: releases its reference and drops it from the table.
    void forget(HotKey& hotKey);

    // The global switch, already combined with the pause.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_isEnabled; }
    bool isMenuOpen() const { return m_isMenuOpen; }
    Mode mode() const { return m_mode; }
    bool isHotKeyEventHandlingEnabled() const { return m_isHotKeyEventHandlingEnabled; }
    bool isRawKeyEventHandlingEnabled() const { return m_isRawKeyEventHandlingEnabled; }
    std::size_t hotKeyCount() const { return m_hotKeys.size(); }

    // The combinations the system reserves, enabled ones only, modifiers normalised.
    std::vector<Shortcut> systemShortcuts() const;
    bool isSystemShortcut(const Shortcut& shortcut) const;

    // The event handler: hot-key pressed and released, raw key down and up.
    int handle(const HotKeyService::Event& event);

private:
    void setMenuOpen(bool open);
    void updateMode();
    void applyMode();
    void pauseHotKeys();
    void resumeHotKeys();
    int handleHotKey(const HotKeyService::Event& event);
    int handleRawKey(const HotKeyService::Event& event);
    std::shared_ptr<HotKey> live(std::int64_t id) const;

    std::unique_ptr<HotKeyService> m_none;
    HotKeyService& m_service;
    std::int64_t m_lastHotKeyId = 0;
    std::map<std::int64_t, std::weak_ptr<HotKey>> m_hotKeys;
    bool m_hasEventHandler = false;
    bool m_isEnabled = true;
    bool m_isMenuOpen = false;
    bool m_isHotKeyEventHandlingEnabled = false;
    bool m_isRawKeyEventHandlingEnabled = false;
    Mode m_mode = Mode::Normal;
    // Raw keys whose key-down went to a hot key, by key code: the hot key's id.
    std::map<std::int64_t, std::int64_t> m_rawKeysDown;
};

} // namespace GlobalShortcuts
