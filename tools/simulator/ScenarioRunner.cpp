#include "ScenarioRunner.h"

#include "SimulatorState.h"

#include "App/AppController.h"
#include "App/MenuContent.h"
#include "Clipboard/ClipboardMonitor.h"
#include "Clipboard/Paster.h"
#include "GlobalShortcuts/Modifiers.h"
#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "KeyNames.h"
#include "Picker/HistoryPickerView.h"
#include "Picker/PickerKey.h"
#include "Screenshots/ThumbnailPanel.h"
#include "Screenshots/ThumbnailView.h"
#include "Support/AppRelauncher.h"

#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>

#include "Foundation/Sha256.h"

#include <algorithm>
#include <cmath>

using ScenarioScript::Command;
using ScenarioScript::Token;
using SimulatorState::rect;
using SimulatorState::strings;
using SimulatorState::utf8;

namespace {

bool isOn(const Token& token)
{
    return token.text == QLatin1String("on");
}

// Readable text stays text in dumps; anything else shows as hex.
QByteArray imageBytes(QSize size, const char* format)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(70, 130, 180));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

bool compare(const nlohmann::ordered_json& actual, const QString& op, const nlohmann::ordered_json& expected)
{
    if (op == QLatin1String("=="))
        return actual == expected;
    if (op == QLatin1String("!="))
        return actual != expected;
    if (op == QLatin1String("contains")) {
        if (actual.is_array())
            return std::find(actual.begin(), actual.end(), expected) != actual.end();
        if (actual.is_string() && expected.is_string())
            return actual.get<std::string>().find(expected.get<std::string>()) != std::string::npos;
        return false;
    }
    const bool numbers = actual.is_number() && expected.is_number();
    const bool strings = actual.is_string() && expected.is_string();
    if (!numbers && !strings)
        return false;
    if (op == QLatin1String("<"))
        return actual < expected;
    if (op == QLatin1String("<="))
        return actual <= expected;
    if (op == QLatin1String(">"))
        return actual > expected;
    return actual >= expected;
}

} // namespace

ScenarioRunner::ScenarioRunner(const QString& home, std::FILE* transcript)
    : m_home(home)
    , m_out(transcript)
    , m_world(home)
    , m_editors([this](const char* event, json fields) { report(event, std::move(fields)); },
          [this](int line, const QString& message) { warn(line, message); })
    , m_settingsWindow([this](int line, const QString& message) { warn(line, message); })
{
    report("sim.home", { { "path", utf8(home) } });
    m_world.pasteboard.onWrite = [this](PasteboardSimulated::Writer writer) {
        report("pasteboard.change",
            { { "by", writer == PasteboardSimulated::Writer::User ? "user" : "app" },
                { "changeCount", m_world.pasteboard.changeCount() },
                { "types", strings(m_world.pasteboard.types()) } });
    };
    m_world.keyboard.onTap = [this](bool installed) { report("tap", { { "installed", installed } }); };
    m_world.keyboard.onPost = [this](const KeyEvent& event) {
        const json flags = strings(KeyNames::modifierNames(event.flags));
        report("key.post",
            { { "key", event.keyCode }, { "down", event.isDown }, { "flags", flags },
                { "userData", event.userData } });
    };
    m_world.keyboardEvents.onDelivery = [this](const KeyboardEventsSimulated::Delivery& delivery) {
        const json flags = strings(KeyNames::modifierNames(delivery.event.flags));
        json fields { { "key", delivery.event.keyCode }, { "down", delivery.event.isDown },
            { "repeat", delivery.event.isRepeat }, { "flags", flags }, { "synthetic", delivery.posted } };
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
        report("key", fields);
    };
    m_world.keyboardEvents.keyWindow = [this](const KeyEvent& event) { return keyWindow(event); };
    m_world.alerts.onAlert = [this](const AlertsSimulated::Record& record) {
        json fields { { "style", utf8(Alerts::styleName(record.alert.style)) },
            { "message", utf8(record.alert.message) }, { "informative", utf8(record.alert.informativeText) },
            { "buttons", strings(record.alert.buttons) }, { "answer", utf8(record.answer) } };
        if (record.unexpected)
            fields["unexpected"] = true;
        report("alert", fields);
    };
    m_world.alerts.onFolderChoice = [this](const AlertsSimulated::FolderRecord& record) {
        json fields { { "title", utf8(record.title) },
            { "answer", record.answer ? json(utf8(*record.answer)) : json(nullptr) } };
        if (record.unexpected)
            fields["unexpected"] = true;
        report("folder", fields);
    };
    m_world.reportingProcesses.onStart = [this](const QString& program, const QStringList& arguments) {
        report("process", { { "exe", utf8(program) }, { "args", strings(arguments) } });
        if (program == QLatin1String(AppRelauncher::shell) && !arguments.isEmpty())
            report("relaunch", { { "path", utf8(arguments.last()) } });
    };
    m_world.http.onAnswer = [this](const QUrl& url, std::optional<int> status) {
        report("http",
            { { "url", utf8(url.toString()) }, { "status", status ? json(*status) : json(nullptr) } });
    };
    m_world.reportingWorkspace.onOpen = [this](const QUrl& url) {
        report("open", { { "url", utf8(url.toString()) } });
    };
    // Windows report as they appear and go, not only between commands.
    m_windowWatch = std::make_unique<WindowWatch>([this] { observe(); });
    qApp->installEventFilter(m_windowWatch.get());
    m_world.log.onLine = [this](const QString& line) { report("log", { { "line", utf8(line) } }); };
    m_world.lifecycle.onTerminate = [this] { report("app.terminate"); };
    reportShortcuts();
}

void ScenarioRunner::reportShortcuts()
{
    const auto hotKey = [](const HotKeyServiceSimulated::Registration& registration, bool ok) {
        return json { { "key", registration.keyCode },
            { "flags",
                strings(KeyNames::modifierNames(
                    GlobalShortcuts::Modifiers::flagsFromCarbon(registration.modifiers))) },
            { "id", registration.id.id }, { "ok", ok } };
    };
    m_world.hotKeys.onRegister = [this, hotKey](const HotKeyServiceSimulated::Registration& registration,
                                     bool ok) { report("hotkey.register", hotKey(registration, ok)); };
    m_world.hotKeys.onUnregister = [this, hotKey](const HotKeyServiceSimulated::Registration& registration) {
        report("hotkey.unregister", hotKey(registration, true));
    };
    m_world.hotKeys.onHotKey = [this](const HotKeyService::HotKeyId& id, bool down) {
        report("hotkey", { { "id", id.id }, { "down", down } });
    };
    m_world.hotKeys.onBeep = [this] { report("beep"); };
    QObject::connect(&GlobalShortcuts::Notifications::shared(),
        &GlobalShortcuts::Notifications::recorderActiveStatusDidChange, m_windowWatch.get(),
        [this](bool active) {
            report("recorder", { { "active", active } });
        });
}

ScenarioRunner::WindowWatch::WindowWatch(std::function<void()> onChange)
    : m_onChange(std::move(onChange))
{ }

bool ScenarioRunner::WindowWatch::eventFilter(QObject* watched, QEvent* event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->isWindow())
        m_onChange();
    return false;
}

ScenarioRunner::~ScenarioRunner()
{
    qApp->removeEventFilter(m_windowWatch.get());
    // Tearing the application down is not part of the scenario.
    m_out = nullptr;
    m_menu.reset();
    m_controller.reset();
}

AppController& ScenarioRunner::controller()
{
    if (m_controller)
        return *m_controller;
    m_controller = std::make_unique<AppController>(m_world.platform());
    m_menu = std::make_unique<MenuContent>(*m_controller);
    m_reportedHistory = m_controller->history().items();
    m_editors.attach(m_controller->editor());
    QObject::connect(&m_controller->history(), &ClipboardHistory::listChanged, [this] { historyChanged(); });
    QObject::connect(m_controller.get(), &AppController::holdFired, [this](HoldMonitor::Key key) {
        report("hold", { { "key", key == HoldMonitor::Key::Copy ? "copy" : "paste" } });
    });
    QObject::connect(m_controller.get(), &AppController::captureEnded, [this](bool ok, const QString& path) {
        report("capture.done", { { "ok", ok }, { "path", utf8(path) } });
    });
    QObject::connect(m_controller.get(), &AppController::screenshotFileWritten, [this](const QString& path) {
        report("screenshot.file", { { "path", utf8(path) } });
    });
    if (m_updateBase)
        m_controller->updates().setBaseUrl(*m_updateBase);
    QObject::connect(m_controller.get(), &AppController::accessibilityGrantedChanged, [this] {
        report("app.change", { { "accessibilityGranted", m_controller->accessibilityGranted() } });
    });
    QObject::connect(m_controller.get(), &AppController::needsRestartChanged, [this] {
        report("app.change", { { "needsRestart", m_controller->needsRestart() } });
    });
    return *m_controller;
}

void ScenarioRunner::report(const char* event, json fields)
{
    if (!m_out)
        return;
    // Whole seconds print as integers ("t":4), the rest rounded to the microsecond.
    const double t = std::round(m_world.scheduler.now() * 1e6) / 1e6;
    json line { { "t", t == std::floor(t) ? json(static_cast<long long>(t)) : json(t) }, { "ev", event } };
    for (auto& [key, value] : fields.items())
        line[key] = value;
    std::fputs(line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

void ScenarioRunner::warn(int line, const QString& message)
{
    report("warning", { { "line", line }, { "message", utf8(message) } });
}

bool ScenarioRunner::run(const std::vector<Command>& commands)
{
    for (const auto& command : commands) {
        execute(command);
        QCoreApplication::processEvents();
        // As a real event loop does before the next input: what the command posted for now runs now, so a
        // re-sent short ⌘V reaches the application before the keys typed after it.
        advance(0);
    }
    return !m_failed;
}

void ScenarioRunner::execute(const Command& command)
{
    const auto& name = command.name;
    const auto& a = command.args;
    if (name == QLatin1String("start")) {
        controller().start();
    } else if (name == QLatin1String("wait")) {
        advance(*ScenarioScript::number(a[0].text));
    } else if (name == QLatin1String("copy")) {
        copy(command);
    } else if (name == QLatin1String("key")) {
        keys(a, 1, a.size(), a[0].text != QLatin1String("up"), a[0].text == QLatin1String("repeat"));
    } else if (name == QLatin1String("press")) {
        keys(a, 0, a.size(), true, false);
        keys(a, 0, a.size(), false, false);
    } else if (name == QLatin1String("hold")) {
        hold(command);
    } else if (name == QLatin1String("type")) {
        for (const char32_t character : a[0].text.toUcs4()) {
            KeyEvent down;
            if (const auto stroke = KeyNames::stroke(character)) {
                down = KeyNames::event(stroke->key, stroke->shift ? EventFlags::shift : 0, true, false);
            } else {
                down.characters = QString::fromUcs4(&character, 1);
            }
            typeKey(down);
            auto up = down;
            up.isDown = false;
            typeKey(up);
        }
    } else if (name == QLatin1String("menu") && !a[0].quoted) {
        controller();
        m_world.hotKeys.setMenuTracking(a[0].text == QLatin1String("open"));
    } else if (name == QLatin1String("recorder")) {
        clickRecorder(command);
    } else if (name == QLatin1String("settings")) {
        m_settingsWindow.execute(controller(), command);
    } else if (name == QLatin1String("menu")) {
        controller();
        if (!m_menu->trigger(a[0].text))
            warn(command.line, QStringLiteral("the menu has no item \"%1\"").arg(a[0].text));
    } else if (name == QLatin1String("app")) {
        using Operation = void (AppController::*)();
        static const QHash<QString, Operation> operations {
            { QStringLiteral("showHistory"), &AppController::showHistory },
            { QStringLiteral("takeScreenshot"), &AppController::takeScreenshot },
            { QStringLiteral("chooseScreenshotFolder"), &AppController::chooseScreenshotFolder },
            { QStringLiteral("confirmClearHistory"), &AppController::confirmClearHistory },
            { QStringLiteral("showOnboarding"), &AppController::showOnboarding },
            { QStringLiteral("showSettings"), &AppController::showSettings },
            { QStringLiteral("applyHoldKeys"), &AppController::applyHoldKeys },
            { QStringLiteral("checkForUpdates"), &AppController::checkForUpdates },
        };
        auto& app = controller();
        if (const Operation operation = operations.value(a[0].text))
            (app.*operation)();
        else
            warn(command.line, QStringLiteral("the controller has no operation \"%1\"").arg(a[0].text));
    } else if (name == QLatin1String("snapshot")) {
        snapshot(command);
    } else if (name == QLatin1String("click")) {
        if (!clickButton(a[0].text))
            warn(command.line, QStringLiteral("no window shows a button \"%1\"").arg(a[0].text));
    } else if (name == QLatin1String("picker")) {
        auto& picker = controller().picker();
        const int row = static_cast<int>(*ScenarioScript::number(a[1].text)) - 1;
        if (!picker.isOpen() || row >= picker.model().visibleCount())
            warn(command.line, QStringLiteral("the picker shows no row %1").arg(row + 1));
        else
            picker.view()->chooseRow(row);
    } else if (name == QLatin1String("editor")) {
        controller();
        m_editors.execute(command);
    } else if (name == QLatin1String("thumbnail")) {
        thumbnail(command);
    } else if (name == QLatin1String("dump")) {
        auto all = state();
        report("dump", { { "state", a[0].text == QLatin1String("all") ? all : all[utf8(a[0].text)] } });
    } else if (name == QLatin1String("expect")) {
        expect(command);
    } else {
        environment(command);
    }
}

void ScenarioRunner::environment(const Command& command)
{
    const auto& name = command.name;
    const auto& a = command.args;
    const auto number = [&](std::size_t i) { return *ScenarioScript::number(a[i].text); };
    if (name == QLatin1String("trust")) {
        m_world.accessibility.setTrusted(isOn(a[0]));
        m_world.keyboardEvents.setTrusted(isOn(a[0]));
    } else if (name == QLatin1String("tap-fails")) {
        m_world.keyboardEvents.setTapCreationFails(isOn(a[0]));
    } else if (name == QLatin1String("screen-access")) {
        m_world.screenAccess.setGranted(isOn(a[0]));
    } else if (name == QLatin1String("front")) {
        if (!a[0].quoted && a[0].text == QLatin1String("none"))
            m_world.workspace.setNoFrontmost();
        else if (!a[0].quoted && a[0].text == QLatin1String("self"))
            m_world.workspace.setFrontmost(WorkspaceSimulated::selfBundleIdentifier);
        else
            m_world.workspace.setFrontmost(a[0].text);
        applyCaret();
    } else if (name == QLatin1String("caret")) {
        if (a.size() == 1)
            m_caret.reset();
        else
            m_caret = QRectF(number(0), number(1), number(2), number(3));
        applyCaret();
    } else if (name == QLatin1String("screen")) {
        m_world.screens.addScreen({ QRectF(number(0), number(1), number(2), number(3)),
            QRectF(number(4), number(5), number(6), number(7)), number(8) });
    } else if (name == QLatin1String("mouse")) {
        m_world.screens.setMouseLocation(QPointF(number(0), number(1)));
    } else if (name == QLatin1String("default") || name == QLatin1String("default-in")) {
        const bool inDomain = name == QLatin1String("default-in");
        const auto domain = inDomain ? a[0].text : UserDefaultsStore::appDomain;
        const auto& key = a[inDomain ? 1 : 0].text;
        if (a.size() == (inDomain ? 3u : 2u) && a.back().text == QLatin1String("delete") && !a.back().quoted)
            m_world.defaults.removeValue(domain, key);
        else if (const auto value = DefaultsValue::fromJson(*ScenarioScript::json(command.tail)))
            m_world.defaults.setValue(domain, key, *value);
        else
            warn(command.line, QStringLiteral("not a defaults value: %1").arg(command.tail));
    } else if (name == QLatin1String("system-shortcut") || name == QLatin1String("hotkey-taken")) {
        std::uint64_t flags = 0;
        for (std::size_t i = 1; i < a.size(); ++i)
            flags |= *KeyNames::modifier(a[i].text);
        const auto keyCode = KeyNames::key(a[0].text)->code;
        const auto modifiers = static_cast<std::uint32_t>(GlobalShortcuts::Modifiers::carbonFromFlags(flags));
        if (name == QLatin1String("system-shortcut"))
            m_world.hotKeys.reserve(keyCode, modifiers);
        else
            m_world.hotKeys.takeCombination(keyCode, modifiers);
    } else if (name == QLatin1String("login-item")) {
        if (a[0].text == QLatin1String("ok"))
            m_world.loginItems.nextChangeSucceeds();
        else
            m_world.loginItems.nextChangeFails(a[1].text);
    } else if (name == QLatin1String("capture")) {
        const auto& what = a[0].text;
        if (what == QLatin1String("png") || what == QLatin1String("truncated")) {
            const QSize size(static_cast<int>(number(1)), static_cast<int>(number(2)));
            if (what == QLatin1String("png"))
                m_world.processes.captureWritesPng(size);
            else
                m_world.processes.captureWritesTruncatedPng(size);
        } else if (what == QLatin1String("cancel")) {
            m_world.processes.captureExitsWithoutFile();
        } else if (what == QLatin1String("empty")) {
            m_world.processes.captureWritesEmptyFile();
        } else if (what == QLatin1String("crash")) {
            m_world.processes.captureCrashes();
        } else {
            m_world.processes.captureCannotStart();
        }
    } else if (name == QLatin1String("capture-time")) {
        m_world.processes.setCaptureDuration(number(0));
    } else if (name == QLatin1String("answer")) {
        m_world.alerts.queueAnswer(a[0].text);
    } else if (name == QLatin1String("folder")) {
        if (!a[0].quoted && a[0].text == QLatin1String("cancel"))
            m_world.alerts.queueFolder(std::nullopt);
        else
            m_world.alerts.queueFolder(a[0].text);
    } else if (name == QLatin1String("http")) {
        http(command);
    } else if (name == QLatin1String("disk-image")) {
        diskImage(command);
    } else if (name == QLatin1String("bundle")) {
        if (a[0].text == QLatin1String("signed") || a[0].text == QLatin1String("adhoc"))
            m_world.codeSigning.setAdHocSigned(a[0].text == QLatin1String("adhoc"));
        else if (a[1].quoted)
            m_world.bundle.setShortVersion(a[1].text);
        else
            m_world.bundle.setShortVersion(std::nullopt);
    } else if (name == QLatin1String("update-base")) {
        m_updateBase = QUrl(a[0].text);
        if (m_controller)
            m_controller->updates().setBaseUrl(*m_updateBase);
    } else if (name == QLatin1String("swap")) {
        m_world.bundleReplacement.failNext(a[1].text);
    }
}

void ScenarioRunner::http(const Command& command)
{
    const auto& a = command.args;
    const QUrl url(a[0].text);
    HttpClientSimulated::Answer answer;
    if (a[1].text == QLatin1String("fail")) {
        answer.fails = true;
    } else {
        answer.status = static_cast<int>(*ScenarioScript::number(a[1].text));
        if (a.size() == 3) {
            // Digests of declared images, so that a feed can name the image it points to.
            static const QRegularExpression digest(QStringLiteral("\\{\\{(sha256|SHA256):([^}]*)\\}\\}"));
            QString body = a[2].text;
            QString filled;
            qsizetype last = 0;
            for (auto it = digest.globalMatch(body); it.hasNext();) {
                const auto match = it.next();
                const QString hex
                    = QString::fromLatin1(Sha256::hexDigest(DiskImagesSimulated::bytes(match.captured(2))));
                filled += body.mid(last, match.capturedStart() - last)
                    + (match.captured(1) == QLatin1String("SHA256") ? hex.toUpper() : hex);
                last = match.capturedEnd();
            }
            answer.body = (filled + body.mid(last)).toUtf8();
        } else if (a[2].text == QLatin1String("image")) {
            answer.body = DiskImagesSimulated::bytes(a[3].text);
        } else {
            QFile file(a[3].text);
            if (!file.open(QIODevice::ReadOnly))
                warn(command.line, QStringLiteral("cannot read %1").arg(a[3].text));
            answer.body = file.read(ScenarioScript::maximumHttpFile);
        }
    }
    m_world.http.setAnswer(url, answer);
}

void ScenarioRunner::diskImage(const Command& command)
{
    const auto& a = command.args;
    DiskImagesSimulated::Image image;
    image.identifier = m_world.bundle.bundleIdentifier();
    QStringList applications;
    for (std::size_t i = 1; i < a.size(); i += 2) {
        const auto& word = a[i].text;
        const auto& value = a[i + 1].text;
        if (word == QLatin1String("app"))
            applications.append(value);
        else if (word == QLatin1String("id"))
            image.identifier = value;
        else if (word == QLatin1String("version"))
            image.version = value;
        else if (word == QLatin1String("signer"))
            image.signer = value == QLatin1String("same") ? SimulatedBundle::Signer::Same
                : value == QLatin1String("other")         ? SimulatedBundle::Signer::Other
                                                          : SimulatedBundle::Signer::None;
        else if (word == QLatin1String("mount"))
            image.mountFails = true;
    }
    if (!applications.isEmpty())
        image.applications = applications;
    m_world.diskImages.declare(a[0].text, image);
}

void ScenarioRunner::applyCaret()
{
    if (const auto front = m_world.workspace.frontmostApplication())
        m_world.accessibility.setCaret(front->processIdentifier, m_caret);
}

void ScenarioRunner::advance(double seconds)
{
    const double target = m_world.scheduler.now() + seconds;
    for (;;) {
        const double due = m_world.scheduler.nextDueTime();
        if (due < 0 || due > target)
            break;
        m_world.scheduler.advance(std::max(0.0, due - m_world.scheduler.now()));
        observe();
    }
    m_world.scheduler.advance(std::max(0.0, target - m_world.scheduler.now()));
    observe();
}

void ScenarioRunner::observe()
{
    if (m_observing)
        return;
    m_observing = true;
    if (m_controller) {
        auto& picker = m_controller->picker();
        if (picker.isOpen() != m_pickerShown) {
            m_pickerShown = picker.isOpen();
            if (m_pickerShown)
                report("picker.show",
                    { { "frame", picker.frame() ? rect(*picker.frame()) : json(nullptr) },
                        { "rows", picker.model().visibleCount() } });
            else
                report("picker.hide");
        }
        auto& thumbnail = m_controller->thumbnail();
        if ((thumbnail.panel() != nullptr) != m_thumbnailShown) {
            m_thumbnailShown = thumbnail.panel() != nullptr;
            report(m_thumbnailShown ? "thumbnail.show" : "thumbnail.hide",
                { { "frame", rect(m_thumbnailShown ? thumbnail.restingFrame() : m_thumbnailFrame) } });
            m_thumbnailFrame = thumbnail.restingFrame();
        }
        auto& windows = m_controller->windows();
        for (const auto& key : windows.keys()) {
            auto* window = windows.window(key);
            auto& shown = m_windowShown[key];
            if (window->isVisible() == shown)
                continue;
            shown = window->isVisible();
            report(shown ? "window.show" : "window.close",
                { { "key", utf8(key) }, { "title", utf8(window->windowTitle()) } });
        }
    }
    m_observing = false;
}

void ScenarioRunner::keys(
    const std::vector<Token>& args, std::size_t from, std::size_t end, bool isDown, bool isRepeat)
{
    std::uint64_t flags = 0;
    for (auto i = from + 1; i < end; ++i)
        flags |= *KeyNames::modifier(args[i].text);
    typeKey(KeyNames::event(*KeyNames::key(args[from].text), flags, isDown, isRepeat));
}

void ScenarioRunner::typeKey(const KeyEvent& event)
{
    onType(event);
    // The system gives a registered hot key's presses to it before anything else sees them; while a
    // recorder records, its key window takes them.
    const auto fields = [&event](const char* fate) {
        return json { { "key", event.keyCode }, { "down", event.isDown }, { "repeat", event.isRepeat },
            { "flags", strings(KeyNames::modifierNames(event.flags)) }, { "synthetic", false },
            { "fate", fate } };
    };
    if (m_world.hotKeys.type(event)) {
        report("key", fields("hotkey"));
    } else if (auto* recorder = GlobalShortcuts::RecorderControl::active(); recorder && event.isDown) {
        // The recording window takes every key down; what it passes on (Tab) stays in that window.
        report("key", fields("panel"));
        recorder->handleKeyDown(event);
    } else {
        m_world.keyboardEvents.type(event);
    }
    observe();
}

void ScenarioRunner::clickRecorder(const ScenarioScript::Command& command)
{
    auto& app = controller();
    app.showSettings();
    auto* window = app.windows().window(AppController::settingsKey);
    auto* recorder = window
        ? window->findChild<GlobalShortcuts::RecorderControl*>(AppController::screenshotRecorderName)
        : nullptr;
    if (!recorder) {
        warn(command.line, QStringLiteral("the settings window shows no shortcut recorder"));
        return;
    }
    recorder->startRecording();
}

bool ScenarioRunner::keyWindow(const KeyEvent& event)
{
    if (m_controller && m_controller->picker().isOpen()) {
        if (event.isDown)
            m_controller->picker().handle(PickerKey::fromKeyEvent(event));
        return true;
    }
    // This application's own windows take the keyboard only while it is in front.
    if (!m_controller || !m_world.workspace.selfIsFrontmost())
        return false;
    if (m_editors.key(event))
        return true;
    auto* active = QApplication::activeWindow();
    auto* target = active && active->isVisible() ? active : nullptr;
    if (!target) {
        for (const auto& key : m_controller->windows().keys())
            if (auto* window = m_controller->windows().window(key); window && window->isVisible())
                target = window;
    }
    if (!target)
        return false;
    if (event.isDown && event.keyCode == KeyCodes::returnKey) {
        QWidget* receiver = target->focusWidget() ? target->focusWidget() : target;
        if (auto* content = target->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            receiver = content;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QCoreApplication::sendEvent(receiver, &press);
    }
    return true;
}

void ScenarioRunner::hold(const Command& command)
{
    const auto& a = command.args;
    const auto end = a.size() - 1;
    const double duration = *ScenarioScript::number(a[end].text);
    const double downAt = m_world.scheduler.now();
    keys(a, 0, end, true, false);
    double nextRepeat = downAt + 0.5;
    while (nextRepeat < downAt + duration - 1e-9) {
        advance(nextRepeat - m_world.scheduler.now());
        keys(a, 0, end, true, true);
        nextRepeat += 0.05;
    }
    advance(std::max(0.0, downAt + duration - m_world.scheduler.now()));
    keys(a, 0, end, false, false);
}

void ScenarioRunner::copy(const Command& command)
{
    std::vector<PasteboardItem> items;
    for (const auto& token : command.args) {
        QString error;
        PasteboardItem item;
        const auto representations = ScenarioScript::item(token.text, &error);
        for (const auto& [type, value] : *representations) {
            QByteArray bytes = value.bytes;
            if (value.kind == ScenarioScript::Value::Kind::Letters)
                bytes = QByteArray(value.count, 'a');
            else if (value.kind == ScenarioScript::Value::Kind::Png)
                bytes = imageBytes(value.size, "PNG");
            else if (value.kind == ScenarioScript::Value::Kind::Tiff)
                bytes = imageBytes(value.size, "TIFF");
            else if (value.kind == ScenarioScript::Value::Kind::File) {
                QFile file(value.path);
                if (!file.open(QIODevice::ReadOnly)) {
                    warn(command.line, QStringLiteral("cannot read %1; nothing copied").arg(value.path));
                    return;
                }
                bytes = file.readAll();
            }
            item.setData(type, bytes);
        }
        items.push_back(item);
    }
    m_world.pasteboard.userCopy(items);
}

void ScenarioRunner::expect(const Command& command)
{
    const auto& a = command.args;
    const auto expected = json::parse(command.tail.toStdString());
    auto current = state();
    const json* node = &current;
    bool found = true;
    const auto steps = ScenarioScript::path(a[0].text);
    for (const auto& step : *steps) {
        if (step.key) {
            const auto key = utf8(*step.key);
            if (!node->is_object() || !node->contains(key)) {
                found = false;
                break;
            }
            node = &(*node)[key];
        } else {
            if (!node->is_array() || step.index >= node->size()) {
                found = false;
                break;
            }
            node = &(*node)[step.index];
        }
    }
    const bool ok = found && compare(*node, a[1].text, expected);
    if (!ok)
        m_failed = true;
    report("expect",
        { { "ok", ok }, { "line", command.line }, { "path", utf8(a[0].text) }, { "op", utf8(a[1].text) },
            { "expected", expected }, { "actual", found ? *node : json(nullptr) } });
}

void ScenarioRunner::historyChanged()
{
    const auto& now = m_controller->history().items();
    const auto find = [](const QList<ClipboardItem>& list, const QString& id) {
        return std::find_if(
            list.begin(), list.end(), [&](const ClipboardItem& item) { return item.id == id; });
    };
    json removed = json::array();
    for (const auto& old : m_reportedHistory)
        if (find(now, old.id) == now.end())
            removed.push_back(utf8(old.id));
    if (!removed.empty())
        report("history.remove", { { "ids", removed } });
    // Newest first: report from the bottom so that the last line names the entry now on top.
    for (auto item = now.rbegin(); item != now.rend(); ++item) {
        const auto old = find(m_reportedHistory, item->id);
        if (old == m_reportedHistory.end()) {
            auto fields = SimulatorState::item(*item);
            fields.erase("date");
            fields.erase("fingerprint");
            report("history.add", fields);
        } else if (old->date != item->date) {
            report("history.touch", { { "id", utf8(item->id) } });
        }
    }
    m_reportedHistory = now;
}

void ScenarioRunner::snapshot(const Command& command)
{
    const auto& key = command.args[0].text;
    auto& app = controller();
    QWidget* window = key == QLatin1String("picker") ? app.picker().window() : app.windows().window(key);
    if (!window || !window->isVisible()) {
        warn(command.line, QStringLiteral("no window \"%1\" is shown").arg(key));
        return;
    }
    const auto path = QDir(m_home).absoluteFilePath(command.args[1].text);
    if (!window->grab().save(path, "PNG"))
        warn(command.line, QStringLiteral("cannot write %1").arg(path));
    else
        report("snapshot", { { "key", utf8(key) }, { "path", utf8(path) } });
}

bool ScenarioRunner::clickButton(const QString& text)
{
    if (!m_controller)
        return false;
    auto& presenter = m_controller->windows();
    for (const auto& key : presenter.keys()) {
        auto* window = presenter.window(key);
        if (!window->isVisible())
            continue;
        for (auto* button : window->findChildren<QPushButton*>()) {
            if (button->isVisibleTo(window) && button->isEnabled() && button->text() == text) {
                button->click();
                return true;
            }
        }
    }
    return false;
}

void ScenarioRunner::thumbnail(const Command& command)
{
    auto* view = controller().thumbnail().view();
    if (!view) {
        warn(command.line, QStringLiteral("no thumbnail is shown"));
        return;
    }
    const auto& what = command.args[0].text;
    const QPointF middle = QRectF(view->rect()).center();
    const auto mouse = [view](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, view->mapTo(view->window(), at), view->mapToGlobal(at), Qt::LeftButton,
            buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &event);
    };
    if (what == QLatin1String("hover")) {
        if (isOn(command.args[1])) {
            QEnterEvent enter(middle, middle, view->mapToGlobal(middle));
            QCoreApplication::sendEvent(view, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(view, &leave);
        }
        return;
    }
    mouse(QEvent::MouseButtonPress, middle, Qt::LeftButton);
    if (what == QLatin1String("drag")) {
        // The frontmost application takes the drop; what it received is reported.
        view->runDrag = [this](std::unique_ptr<QMimeData> content, const QPixmap&, QPoint) {
            json fields;
            if (content->hasUrls()) {
                json urls = json::array();
                for (const QUrl& url : content->urls())
                    urls.push_back(utf8(url.toString()));
                fields["urls"] = urls;
            } else {
                const QImage image = qvariant_cast<QImage>(content->imageData());
                fields["image"] = json::array({ image.width(), image.height() });
            }
            const auto front = m_world.workspace.frontmostApplication();
            fields["app"]
                = front && front->bundleIdentifier ? json(utf8(*front->bundleIdentifier)) : json(nullptr);
            report("thumbnail.drop", fields);
            return Qt::CopyAction;
        };
        mouse(QEvent::MouseMove, middle + QPointF(ThumbnailView::dragThreshold + 6, 0), Qt::LeftButton);
    }
    // A view the drop closed is deleted only once the event loop runs again.
    if (controller().thumbnail().view() == view)
        mouse(QEvent::MouseButtonRelease, middle, Qt::NoButton);
    observe();
}

nlohmann::ordered_json ScenarioRunner::state()
{
    auto all = SimulatorState::all(controller(), m_world);
    all["editor"] = m_editors.state();
    all["settingsWindow"] = m_settingsWindow.state(controller());
    return all;
}
