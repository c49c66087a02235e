#include "ScenarioCommands.h"

#include "KeyNames.h"
#include "ScenarioChecks.h"
#include "ScenarioRunner.h"
#include "SimulatorState.h"

#include "App/AppController.h"
#include "App/MenuContent.h"
#include "Foundation/Sha256.h"
#include "Picker/HistoryPickerView.h"
#include "Platform/HotKeyService.h"

#include <QFile>
#include <QRegularExpression>

#include <utility>

using ScenarioScript::Command;

namespace {

using Operation = void (AppController::*)();

// Controller operations `app` may call, standing in for windows that are not there yet.
const std::pair<const char*, Operation> appOperations[] = {
    { "showHistory", &AppController::showHistory },
    { "takeScreenshot", &AppController::takeScreenshot },
    { "confirmClearHistory", &AppController::confirmClearHistory },
    { "showOnboarding", &AppController::showOnboarding },
    { "showSettings", &AppController::showSettings },
    { "applyHoldKeys", &AppController::applyHoldKeys },
    { "checkForUpdates", &AppController::checkForUpdates },
    { "chooseScreenshotFolder", &AppController::chooseScreenshotFolder },
};

QString checkApp(const Command& command)
{
    QStringList names;
    for (const auto& [name, operation] : appOperations)
        names.append(QLatin1String(name));
    return ScenarioChecks::app(command, names);
}

double number(const Command& command, std::size_t i)
{
    return *ScenarioScript::number(command.args[i].text);
}

bool isWord(const Command& command, std::size_t i, const char* word)
{
    return !command.args[i].quoted && command.args[i].text == QLatin1String(word);
}

void setDefault(SimulatedWorld& world, Transcript& transcript, const Command& command, bool inDomain)
{
    const auto& a = command.args;
    const auto domain = inDomain ? a[0].text : UserDefaultsStore::appDomain;
    const auto& key = a[inDomain ? 1 : 0].text;
    if (a.size() == (inDomain ? 3u : 2u) && isWord(command, a.size() - 1, "delete"))
        world.defaults.removeValue(domain, key);
    else if (const auto value = DefaultsValue::fromJson(*ScenarioScript::json(command.tail)))
        world.defaults.setValue(domain, key, *value);
    else
        transcript.warn(command.line, QStringLiteral("not a defaults value: %1").arg(command.tail));
}

void keyCombination(SimulatedWorld& world, const Command& command, bool reserved)
{
    std::uint64_t flags = 0;
    for (std::size_t i = 1; i < command.args.size(); ++i)
        flags |= *KeyNames::modifier(command.args[i].text);
    const auto keyCode = KeyNames::key(command.args[0].text)->code;
    const auto modifiers = HotKeyService::bitsForFlags(flags);
    if (reserved)
        world.hotKeys.reserve(keyCode, modifiers);
    else
        world.hotKeys.takeCombination(keyCode, modifiers);
}

void capture(SimulatedWorld& world, const Command& command)
{
    const auto& what = command.args[0].text;
    if (what == QLatin1String("png") || what == QLatin1String("truncated")) {
        const QSize size(static_cast<int>(number(command, 1)), static_cast<int>(number(command, 2)));
        if (what == QLatin1String("png"))
            world.processes.captureWritesPng(size);
        else
            world.processes.captureWritesTruncatedPng(size);
    } else if (what == QLatin1String("cancel")) {
        world.processes.captureExitsWithoutFile();
    } else if (what == QLatin1String("empty")) {
        world.processes.captureWritesEmptyFile();
    } else if (what == QLatin1String("crash")) {
        world.processes.captureCrashes();
    } else {
        world.processes.captureCannotStart();
    }
}

// `{{sha256:NAME}}` in a body is the digest of the declared disk image NAME, so that a feed can name the
// image it points to.
QByteArray withDigests(const QString& body)
{
    static const QRegularExpression digest(QStringLiteral("\\{\\{(sha256|SHA256):([^}]*)\\}\\}"));
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
    return (filled + body.mid(last)).toUtf8();
}

void http(SimulatedWorld& world, Transcript& transcript, const Command& command)
{
    const auto& a = command.args;
    HttpClientSimulated::Answer answer;
    if (a[1].text == QLatin1String("fail")) {
        answer.fails = true;
    } else {
        answer.status = static_cast<int>(number(command, 1));
        if (a.size() == 3) {
            answer.body = withDigests(a[2].text);
        } else if (a[2].text == QLatin1String("image")) {
            answer.body = DiskImagesSimulated::bytes(a[3].text);
        } else {
            QFile file(a[3].text);
            if (!file.open(QIODevice::ReadOnly))
                transcript.warn(command.line, QStringLiteral("cannot read %1").arg(a[3].text));
            answer.body = file.read(ScenarioScript::maximumHttpFile);
        }
    }
    world.http.setAnswer(QUrl(a[0].text), answer);
}

void diskImage(SimulatedWorld& world, const Command& command)
{
    const auto& a = command.args;
    DiskImagesSimulated::Image image;
    image.identifier = world.bundle.bundleIdentifier();
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
    world.diskImages.declare(a[0].text, image);
}

} // namespace

const ScenarioCommands::Definition* ScenarioCommands::find(const QString& name)
{
    for (const auto& definition : all())
        if (definition.name == name)
            return &definition;
    return nullptr;
}

const std::vector<ScenarioCommands::Definition>& ScenarioCommands::all()
{
    using R = ScenarioRunner;
    using C = Command;
    namespace Check = ScenarioChecks;
    static const std::vector<Definition> table {
        // The machine and the world around the application.
        { QLatin1String("trust"), Check::onOff,
            [](R& r, const C& c) {
                r.m_world.accessibility.setTrusted(isWord(c, 0, "on"));
                r.m_world.keyboardEvents.setTrusted(isWord(c, 0, "on"));
            } },
        { QLatin1String("tap-fails"), Check::onOff,
            [](R& r, const C& c) { r.m_world.keyboardEvents.setTapCreationFails(isWord(c, 0, "on")); } },
        { QLatin1String("screen-access"), Check::onOff,
            [](R& r, const C& c) { r.m_world.screenAccess.setGranted(isWord(c, 0, "on")); } },
        { QLatin1String("front"), Check::front,
            [](R& r, const C& c) {
                if (isWord(c, 0, "none"))
                    r.m_world.workspace.setNoFrontmost();
                else if (isWord(c, 0, "self"))
                    r.m_world.workspace.setFrontmost(WorkspaceSimulated::selfBundleIdentifier);
                else
                    r.m_world.workspace.setFrontmost(c.args[0].text);
                r.applyCaret();
            } },
        { QLatin1String("caret"), Check::caret,
            [](R& r, const C& c) {
                if (c.args.size() == 1)
                    r.m_caret.reset();
                else
                    r.m_caret = QRectF(number(c, 0), number(c, 1), number(c, 2), number(c, 3));
                r.applyCaret();
            } },
        { QLatin1String("screen"), Check::screen,
            [](R& r, const C& c) {
                r.m_world.screens.addScreen({ QRectF(number(c, 0), number(c, 1), number(c, 2), number(c, 3)),
                    QRectF(number(c, 4), number(c, 5), number(c, 6), number(c, 7)), number(c, 8) });
            } },
        { QLatin1String("mouse"), Check::mouse,
            [](R& r, const C& c) {
                r.m_world.screens.setMouseLocation(QPointF(number(c, 0), number(c, 1)));
            } },
        { QLatin1String("default"), Check::defaultValue,
            [](R& r, const C& c) { setDefault(r.m_world, r.m_transcript, c, false); }, 1 },
        { QLatin1String("default-in"), Check::defaultInDomain,
            [](R& r, const C& c) { setDefault(r.m_world, r.m_transcript, c, true); }, 2 },
        { QLatin1String("login-item"), Check::loginItem,
            [](R& r, const C& c) {
                if (isWord(c, 0, "ok"))
                    r.m_world.loginItems.nextChangeSucceeds();
                else
                    r.m_world.loginItems.nextChangeFails(c.args[1].text);
            } },
        { QLatin1String("capture"), Check::capture, [](R& r, const C& c) { capture(r.m_world, c); } },
        { QLatin1String("capture-time"), Check::captureTime,
            [](R& r, const C& c) { r.m_world.processes.setCaptureDuration(number(c, 0)); } },
        { QLatin1String("system-shortcut"), Check::keyCombination,
            [](R& r, const C& c) { keyCombination(r.m_world, c, true); } },
        { QLatin1String("hotkey-taken"), Check::keyCombination,
            [](R& r, const C& c) { keyCombination(r.m_world, c, false); } },
        { QLatin1String("answer"), Check::oneQuotedString,
            [](R& r, const C& c) { r.m_world.alerts.queueAnswer(c.args[0].text); } },
        { QLatin1String("folder"), Check::folder,
            [](R& r, const C& c) {
                if (isWord(c, 0, "cancel"))
                    r.m_world.alerts.queueFolder(std::nullopt);
                else
                    r.m_world.alerts.queueFolder(c.args[0].text);
            } },
        { QLatin1String("http"), Check::http, [](R& r, const C& c) { http(r.m_world, r.m_transcript, c); } },
        { QLatin1String("disk-image"), Check::diskImage, [](R& r, const C& c) { diskImage(r.m_world, c); } },
        { QLatin1String("bundle"), Check::bundle,
            [](R& r, const C& c) {
                if (isWord(c, 0, "signed") || isWord(c, 0, "adhoc"))
                    r.m_world.codeSigning.setAdHocSigned(isWord(c, 0, "adhoc"));
                else if (c.args[1].quoted)
                    r.m_world.bundle.setShortVersion(c.args[1].text);
                else
                    r.m_world.bundle.setShortVersion(std::nullopt);
            } },
        { QLatin1String("update-base"), Check::updateBase,
            [](R& r, const C& c) { r.setUpdateBase(QUrl(c.args[0].text)); } },
        { QLatin1String("swap"), Check::swap,
            [](R& r, const C& c) { r.m_world.bundleReplacement.failNext(c.args[1].text); } },

        // The application and time.
        { QLatin1String("start"), Check::start, [](R& r, const C&) { r.controller().start(); } },
        { QLatin1String("wait"), Check::wait, [](R& r, const C& c) { r.advance(number(c, 0)); } },
        { QLatin1String("app"), checkApp,
            [](R& r, const C& c) {
                auto& app = r.controller();
                for (const auto& [name, operation] : appOperations)
                    if (c.args[0].text == QLatin1String(name))
                        (app.*operation)();
            } },

        // The user.
        { QLatin1String("copy"), Check::copy, [](R& r, const C& c) { r.m_input.copy(c); } },
        { QLatin1String("key"), Check::key,
            [](R& r, const C& c) {
                r.m_input.keys(c.args, 1, c.args.size(), !isWord(c, 0, "up"), isWord(c, 0, "repeat"));
            } },
        { QLatin1String("press"), Check::press,
            [](R& r, const C& c) {
                r.m_input.keys(c.args, 0, c.args.size(), true, false);
                r.m_input.keys(c.args, 0, c.args.size(), false, false);
            } },
        { QLatin1String("hold"), Check::hold, [](R& r, const C& c) { r.m_input.hold(c); } },
        { QLatin1String("type"), Check::oneQuotedString,
            [](R& r, const C& c) { r.m_input.typeText(c.args[0].text); } },
        { QLatin1String("menu"), Check::menu,
            [](R& r, const C& c) {
                r.controller();
                if (isWord(c, 0, "open") || isWord(c, 0, "close"))
                    r.m_world.hotKeys.setMenuTracking(isWord(c, 0, "open"));
                else if (!r.m_menu->trigger(c.args[0].text))
                    r.m_transcript.warn(
                        c.line, QStringLiteral("the menu has no item \"%1\"").arg(c.args[0].text));
            } },
        { QLatin1String("click"), Check::oneQuotedString,
            [](R& r, const C& c) {
                if (!r.m_input.clickButton(c.args[0].text))
                    r.m_transcript.warn(
                        c.line, QStringLiteral("no window shows a button \"%1\"").arg(c.args[0].text));
            } },
        { QLatin1String("picker"), Check::picker,
            [](R& r, const C& c) {
                auto& picker = r.controller().picker();
                const int row = static_cast<int>(number(c, 1)) - 1;
                if (!picker.isOpen() || row >= picker.model().visibleCount())
                    r.m_transcript.warn(c.line, QStringLiteral("the picker shows no row %1").arg(row + 1));
                else
                    picker.view()->chooseRow(row);
            } },
        { QLatin1String("thumbnail"), Check::thumbnail,
            [](R& r, const C& c) {
                r.controller();
                r.m_input.thumbnail(c);
            } },
        { QLatin1String("recorder"), Check::recorder, [](R& r, const C& c) { r.clickRecorder(c); } },
        { QLatin1String("settings"), Check::settings,
            [](R& r, const C& c) { r.m_settingsWindow.execute(r.controller(), c); } },
        { QLatin1String("editor"), Check::editor,
            [](R& r, const C& c) {
                r.controller();
                r.m_editors.execute(c);
            } },

        // Looking.
        { QLatin1String("snapshot"), Check::snapshot, [](R& r, const C& c) { r.snapshot(c); } },
        { QLatin1String("dump"), Check::dump,
            [](R& r, const C& c) {
                auto all = r.state();
                r.m_transcript.report("dump",
                    { { "state",
                        c.args[0].text == QLatin1String("all")
                            ? all
                            : all[SimulatorState::utf8(c.args[0].text)] } });
            } },
        { QLatin1String("expect"), Check::expect, [](R& r, const C& c) { r.expect(c); }, 2 },
    };
    return table;
}
