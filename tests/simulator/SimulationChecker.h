#pragma once

#include "ScenarioRunner.h"

#include <QPointer>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

class AppController;

// Follows one run of the simulated application step by step and checks what must hold whatever the user
// does: the history stays within its limit and agrees with its folder on disk, the application writes the
// pasteboard only when the user chooses an entry, and every key event that is not part of a hold reaches
// the application in front exactly once and in order. The first broken rule is kept, as "rule: details".
class SimulationChecker final {
public:
    // Listens to the runner's world, which keeps the listeners: destroy the runner first.
    explicit SimulationChecker(ScenarioRunner& runner);

    void beginStep(const ScenarioScript::Command& command);
    void endStep();
    const std::string& failure() const { return m_failure; }

    // The entries, newest first, that a restart must find again (those within the limit).
    std::vector<QString> historyIds() const;
    void expectAfterRestart(std::vector<QString> ids) { m_expectedAfterRestart = std::move(ids); }

private:
    struct Typed {
        KeyEvent event;
        bool pickerOpen = false;
    };
    // Where the key-down of a press went: its repeats and key-up belong with it.
    struct Press {
        enum class Went { Nowhere, App, Panel, Swallowed };
        Went went = Went::Nowhere;
        QString application;
        bool chord = false; // a ⌘C or ⌘V the hold monitor took: a hold, or a short press to re-send
        bool fired = false;
    };

    void typed(const KeyEvent& event);
    void delivered(const KeyboardEventsSimulated::Delivery& delivery);
    void userDelivery(const KeyboardEventsSimulated::Delivery& delivery);
    void postedDelivery(const KeyboardEventsSimulated::Delivery& delivery);
    void keyDown(const KeyboardEventsSimulated::Delivery& delivery, bool pickerOpen);
    void restOfPress(const KeyboardEventsSimulated::Delivery& delivery);
    void written(PasteboardSimulated::Writer writer);
    void checkHistory();
    void checkDisk();
    void connectController();
    bool pickerOpen() const;
    QString frontmost() const;
    void fail(const std::string& rule, const QString& details);

    ScenarioRunner& m_runner;
    QPointer<AppController> m_connected;
    std::string m_failure;
    std::deque<Typed> m_typed;
    std::map<std::uint16_t, Press> m_presses;
    std::deque<KeyEvent> m_expectedResend;
    std::deque<double> m_pasteDue;
    int m_pasteEventsDue = 0;
    bool m_choosing = false;
    int m_choiceWrites = 0;
    bool m_wroteOnChoice = false;
    bool m_started = false;
    std::optional<std::vector<QString>> m_expectedAfterRestart;
};
