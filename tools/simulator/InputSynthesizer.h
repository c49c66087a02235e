#pragma once

#include "ScenarioScript.h"

#include "Platform/KeyEvent.h"

#include <functional>

class AppController;
class EditorDriver;
class SimulatedWorld;
class Transcript;

namespace GlobalShortcuts {
class RecorderControl;
}

// The user's hands: keys typed and held, copies made in other applications, clicks on buttons and on the
// thumbnail. Keys go where the system would send them: a hot key, a recording shortcut recorder, this
// application's window in front, or the application in front.
class InputSynthesizer final {
public:
    struct Hooks {
        // The application once a command has made it, else null.
        std::function<AppController*()> app;
        // Reports what changed on screen.
        std::function<void()> observe;
        // Lets virtual time pass, running what falls due.
        std::function<void(double seconds)> advance;
    };
    InputSynthesizer(SimulatedWorld& world, Transcript& transcript, EditorDriver& editors, Hooks hooks);

    // Each key event the user types, told before it enters the system.
    std::function<void(const KeyEvent&)> onType = [](const KeyEvent&) {};

    // The key named at `from` with the modifiers after it, up to `end`.
    void keys(const std::vector<ScenarioScript::Token>& args, std::size_t from, std::size_t end, bool isDown,
        bool isRepeat);
    void typeText(const QString& text);
    // `hold KEY [MOD…] SECONDS`: the system repeats a held key after 0.5 s, every 0.05 s.
    void hold(const ScenarioScript::Command& command);
    void copy(const ScenarioScript::Command& command);
    // A key for this application while it is in front: true when one of its windows took it.
    bool keyWindow(const KeyEvent& event);
    // Clicks the enabled button showing `text` in a shown window: false when there is none.
    bool clickButton(const QString& text);
    void thumbnail(const ScenarioScript::Command& command);

private:
    void typeKey(const KeyEvent& event);
    GlobalShortcuts::RecorderControl* activeRecorder() const;

    SimulatedWorld& m_world;
    Transcript& m_transcript;
    EditorDriver& m_editors;
    Hooks m_hooks;
};
