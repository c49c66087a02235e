#include "WorldReports.h"

#include "KeyNames.h"
#include "SimulatedWorld.h"
#include "SimulatorState.h"
#include "Transcript.h"

#include "Platform/HotKeyService.h"
#include "Support/AppRelauncher.h"

using SimulatorState::strings;
using SimulatorState::utf8;
using json = nlohmann::ordered_json;

namespace {

json keyFields(const KeyEvent& event)
{
    return { { "key", event.keyCode }, { "down", event.isDown } };
}

void reportShortcuts(SimulatedWorld& world, Transcript& transcript)
{
    const auto hotKey = [](const HotKeyServiceSimulated::Registration& registration, bool ok) {
        return json { { "key", registration.keyCode },
            { "flags",
                strings(KeyNames::modifierNames(HotKeyService::flagsForBits(registration.modifiers))) },
            { "id", registration.id.id }, { "ok", ok } };
    };
    world.hotKeys.onRegister
        = [&transcript, hotKey](const HotKeyServiceSimulated::Registration& registration, bool ok) {
              transcript.report("hotkey.register", hotKey(registration, ok));
          };
    world.hotKeys.onUnregister
        = [&transcript, hotKey](const HotKeyServiceSimulated::Registration& registration) {
              transcript.report("hotkey.unregister", hotKey(registration, true));
          };
    world.hotKeys.onHotKey = [&transcript](const HotKeyService::HotKeyId& id, bool down) {
        transcript.report("hotkey", { { "id", id.id }, { "down", down } });
    };
    world.hotKeys.onBeep = [&transcript] { transcript.report("beep"); };
}

} // namespace

void reportWorldEvents(SimulatedWorld& world, Transcript& transcript)
{
    world.pasteboard.onWrite = [&world, &transcript](PasteboardSimulated::Writer writer) {
        transcript.report("pasteboard.change",
            { { "by", writer == PasteboardSimulated::Writer::User ? "user" : "app" },
                { "changeCount", world.pasteboard.changeCount() },
                { "types", strings(world.pasteboard.types()) } });
    };
    world.keyboard.onTap = [&transcript](bool installed) {
        transcript.report("tap", { { "installed", installed } });
    };
    world.keyboard.onPost = [&transcript](const KeyEvent& event) {
        auto fields = keyFields(event);
        fields["flags"] = strings(KeyNames::modifierNames(event.flags));
        fields["userData"] = event.userData;
        transcript.report("key.post", fields);
    };
    world.keyboardEvents.onDelivery = [&transcript](const KeyboardEventsSimulated::Delivery& delivery) {
        auto fields = keyFields(delivery.event);
        fields["repeat"] = delivery.event.isRepeat;
        fields["flags"] = strings(KeyNames::modifierNames(delivery.event.flags));
        fields["synthetic"] = delivery.posted;
        switch (delivery.fate) {
        case KeyboardEventsSimulated::Fate::Dropped:
            fields["fate"] = "dropped";
            break;
        case KeyboardEventsSimulated::Fate::Panel:
            fields["fate"] = "panel";
            break;
        case KeyboardEventsSimulated::Fate::App:
            fields["fate"] = "app";
            fields["app"] = delivery.application.isEmpty() ? json(nullptr) : json(utf8(delivery.application));
            break;
        }
        transcript.report("key", fields);
    };
    world.alerts.onAlert = [&transcript](const AlertsSimulated::Record& record) {
        json fields { { "style", utf8(Alerts::styleName(record.alert.style)) },
            { "message", utf8(record.alert.message) }, { "informative", utf8(record.alert.informativeText) },
            { "buttons", strings(record.alert.buttons) }, { "answer", utf8(record.answer) } };
        if (record.unexpected)
            fields["unexpected"] = true;
        transcript.report("alert", fields);
    };
    world.alerts.onFolderChoice = [&transcript](const AlertsSimulated::FolderRecord& record) {
        json fields { { "title", utf8(record.title) },
            { "answer", record.answer ? json(utf8(*record.answer)) : json(nullptr) } };
        if (record.unexpected)
            fields["unexpected"] = true;
        transcript.report("folder", fields);
    };
    world.reportingProcesses.onStart = [&transcript](const QString& program, const QStringList& arguments) {
        transcript.report("process", { { "exe", utf8(program) }, { "args", strings(arguments) } });
        if (program == QLatin1String(AppRelauncher::shell) && !arguments.isEmpty())
            transcript.report("relaunch", { { "path", utf8(arguments.last()) } });
    };
    world.http.onAnswer = [&transcript](const QUrl& url, std::optional<int> status) {
        transcript.report("http",
            { { "url", utf8(url.toString()) }, { "status", status ? json(*status) : json(nullptr) } });
    };
    world.reportingWorkspace.onOpen = [&transcript](const QUrl& url) {
        transcript.report("open", { { "url", utf8(url.toString()) } });
    };
    world.log.onLine = [&transcript](const QString& line) {
        transcript.report("log", { { "line", utf8(line) } });
    };
    world.lifecycle.onTerminate = [&transcript] { transcript.report("app.terminate"); };
    reportShortcuts(world, transcript);
}
