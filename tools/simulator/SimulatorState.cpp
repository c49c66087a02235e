#include "SimulatorState.h"

#include "App/AppController.h"
#include "KeyNames.h"
#include "Platform/Pasteboard.h"
#include "Screenshots/ScreenshotShortcut.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QStringDecoder>

namespace SimulatorState {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

json rect(const QRectF& r)
{
    return json::array({ r.x(), r.y(), r.width(), r.height() });
}

namespace {

std::string dataText(const QByteArray& bytes)
{
    auto decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    bool readable = !decoder.hasError();
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t' && c != u'\r')
            readable = false;
    if (readable)
        return utf8(text);
    return "hex:" + bytes.toHex().toStdString();
}

json settings(const AppSettings& s)
{
    return { { "historyLimit", HistoryLimits::rawValue(s.historyLimit()) },
        { "holdToPaste", s.holdToPaste() }, { "holdToScreenshot", s.holdToScreenshot() },
        { "holdDelay", s.holdDelay() }, { "paused", s.paused() }, { "screenshotSave", s.screenshotSave() },
        { "screenshotFolder", utf8(s.screenshotFolder()) }, { "screenshotCopy", s.screenshotCopy() },
        { "screenshotThumbnail", s.screenshotThumbnail() }, { "screenshotSound", s.screenshotSound() } };
}

json history(const ClipboardHistory& history)
{
    json items = json::array();
    for (const auto& item : history.items())
        items.push_back(SimulatorState::item(item));
    return { { "limit", history.limit() ? json(*history.limit()) : json(nullptr) },
        { "count", history.items().size() }, { "items", items } };
}

json pasteboard(const Pasteboard& pasteboard)
{
    json items = json::array();
    for (const auto& item : pasteboard.items()) {
        json types = json::array();
        json data = json::object();
        // Reading the state asks for every type, as a client pasting it would.
        for (const QString& type : item.types()) {
            types.push_back(utf8(type));
            data[utf8(type)] = dataText(item.data(type).value_or(QByteArray()));
        }
        items.push_back({ { "types", types }, { "data", data } });
    }
    return { { "changeCount", pasteboard.changeCount() }, { "items", items } };
}

json picker(const HistoryPanel& picker)
{
    json visible = json::array();
    for (const auto& item : picker.model().visible())
        visible.push_back(utf8(item.preview));
    return { { "open", picker.isOpen() }, { "query", utf8(picker.model().query()) },
        { "selection", picker.model().selection() }, { "visible", visible },
        { "frame", picker.isOpen() && picker.frame() ? rect(*picker.frame()) : json(nullptr) } };
}

json windows(const WindowPresenter& presenter)
{
    json windows = json::object();
    for (const auto& key : presenter.keys()) {
        const auto* window = presenter.window(key);
        // What a user would read in the window: the shown labels and buttons, top to bottom.
        json texts = json::array();
        for (const auto* widget : window->findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(window))
                continue;
            if (const auto* label = qobject_cast<const QLabel*>(widget))
                texts.push_back(utf8(label->text()));
            else if (const auto* button = qobject_cast<const QPushButton*>(widget))
                texts.push_back(utf8(button->text()));
        }
        windows[utf8(key)] = { { "title", utf8(window->windowTitle()) }, { "visible", window->isVisible() },
            { "texts", texts } };
    }
    return windows;
}

json files(const ClipboardHistory& history)
{
    const auto directory = history.directory();
    QStringList files;
    QDirIterator it(directory, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(directory).relativeFilePath(it.next()));
    files.sort();
    return { { "historyDir", utf8(directory) }, { "history", strings(files) } };
}

} // namespace

json item(const ClipboardItem& item)
{
    json types = json::array();
    for (const auto& list : item.itemTypes)
        types.push_back(strings(list));
    return { { "id", utf8(item.id) }, { "date", item.date },
        { "kind", utf8(ClipboardItem::rawValue(item.kind)) }, { "preview", utf8(item.preview) },
        { "itemTypes", types }, { "fingerprint", utf8(item.fingerprint) },
        { "source", item.sourceBundleID ? json(utf8(*item.sourceBundleID)) : json(nullptr) } };
}

// The program's named shortcuts: their binding, and whether the system holds the hot key now.
json shortcuts(AppController& app, const SimulatedWorld& world)
{
    json names = json::object();
    const auto shortcut = app.shortcuts().storage().getShortcut(ScreenshotShortcut::name());
    if (!shortcut) {
        names["screenshot"] = nullptr;
        return names;
    }
    const bool inRange = shortcut->carbonKeyCode >= 0 && shortcut->carbonKeyCode <= 0xFFFF
        && shortcut->carbonModifiers >= 0 && shortcut->carbonModifiers <= 0xFFFFFFFF;
    names["screenshot"] = { { "key", shortcut->carbonKeyCode },
        { "flags", strings(KeyNames::modifierNames(shortcut->modifiers())) },
        { "registered",
            inRange
                && world.hotKeys.isRegistered(static_cast<std::uint32_t>(shortcut->carbonKeyCode),
                    static_cast<std::uint32_t>(shortcut->carbonModifiers)) } };
    return names;
}

json all(AppController& app, const SimulatedWorld& world)
{
    json state;
    state["app"] = { { "accessibilityGranted", app.accessibilityGranted() },
        { "needsRestart", app.needsRestart() }, { "capturing", app.capturing() } };
    state["settings"] = settings(app.settings());
    state["history"] = history(app.history());
    state["pasteboard"] = pasteboard(world.pasteboard);
    state["picker"] = picker(app.picker());
    state["windows"] = windows(app.windows());
    json defaults = json::object();
    for (const auto& [key, value] : world.defaults.values(UserDefaultsStore::appDomain))
        defaults[utf8(key)] = value.toJson();
    state["defaults"] = defaults;
    state["files"] = files(app.history());
    QStringList temporary
        = QDir(world.paths.temporary())
              .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    temporary.sort();
    state["files"]["tmp"] = strings(temporary);
    const auto& replacedBy = world.bundleReplacement.replacedBy();
    const auto version = world.bundle.shortVersion();
    state["bundle"] = { { "path", utf8(world.bundle.bundlePath()) },
        { "version", version ? json(utf8(*version)) : json(nullptr) },
        { "replacedBy", replacedBy ? json(utf8(*replacedBy)) : json(nullptr) } };
    state["shortcuts"] = shortcuts(app, world);
    const auto& thumbnail = app.thumbnail();
    state["thumbnail"] = { { "visible", thumbnail.panel() != nullptr },
        { "frame", thumbnail.panel() ? rect(thumbnail.restingFrame()) : json(nullptr) } };
    const QString folder = app.settings().screenshotFolderPath(world.paths);
    QStringList shots = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    shots.sort();
    state["screenshots"] = { { "folder", utf8(folder) }, { "files", strings(shots) } };
    return state;
}

} // namespace SimulatorState
