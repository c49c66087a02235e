#include "SimulationChecker.h"

#include "App/AppController.h"
#include "Clipboard/HistoryIndex.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace {

using Fate = KeyboardEventsSimulated::Fate;

bool isChord(std::uint16_t keyCode)
{
    return keyCode == KeyCodes::c || keyCode == KeyCodes::v;
}

QString describe(const KeyEvent& event)
{
    return QStringLiteral("key %1 %2%3 flags 0x%4")
        .arg(event.keyCode)
        .arg(event.isDown ? QStringLiteral("down") : QStringLiteral("up"))
        .arg(event.isRepeat ? QStringLiteral(" (repeat)") : QString())
        .arg(event.flags, 0, 16);
}

QString joined(const std::vector<QString>& ids)
{
    QStringList list(ids.begin(), ids.end());
    return QLatin1Char('[') + list.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

SimulationChecker::SimulationChecker(ScenarioRunner& runner)
    : m_runner(runner)
{
    auto& world = runner.world();
    runner.onType = [this](const KeyEvent& event) { typed(event); };
    world.keyboardEvents.onDelivery = [this, previous = world.keyboardEvents.onDelivery](
                                          const KeyboardEventsSimulated::Delivery& delivery) {
        previous(delivery);
        delivered(delivery);
    };
    world.pasteboard.onWrite
        = [this, previous = world.pasteboard.onWrite](PasteboardSimulated::Writer writer) {
              previous(writer);
              written(writer);
          };
}

void SimulationChecker::fail(const std::string& rule, const QString& details)
{
    if (m_failure.empty())
        m_failure = rule + ": " + details.toStdString();
}

bool SimulationChecker::pickerOpen() const
{
    return m_runner.app() && m_runner.app()->picker().isOpen();
}

QString SimulationChecker::frontmost() const
{
    const auto front = m_runner.world().workspace.frontmostApplication();
    return front && front->bundleIdentifier ? *front->bundleIdentifier : QString();
}

void SimulationChecker::beginStep(const ScenarioScript::Command& command)
{
    connectController();
    m_wroteOnChoice = false;
    // A click on a row the open picker shows is a choice.
    m_choosing = command.name == QLatin1String("picker") && pickerOpen();
    m_choiceWrites = 0;
    if (command.name == QLatin1String("start"))
        m_started = true;
}

void SimulationChecker::typed(const KeyEvent& event)
{
    const bool open = pickerOpen();
    m_typed.push_back({ event, open });
    const QString& text = event.characters;
    const bool digit = text.size() == 1 && text[0] >= u'1' && text[0] <= u'9';
    if (open && event.isDown && !event.isRepeat
        && (event.keyCode == KeyCodes::returnKey || event.keyCode == KeyCodes::keypadEnter
            || event.keyCode == KeyCodes::v || digit)) {
        m_choosing = true;
        m_choiceWrites = 0;
    }
}

void SimulationChecker::delivered(const KeyboardEventsSimulated::Delivery& delivery)
{
    if (delivery.posted)
        postedDelivery(delivery);
    else
        userDelivery(delivery);
}

void SimulationChecker::userDelivery(const KeyboardEventsSimulated::Delivery& delivery)
{
    const KeyEvent& event = delivery.event;
    if (m_typed.empty() || !(m_typed.front().event == event)) {
        fail("once and in order",
            QStringLiteral("%1 came out of the system, not the key typed next").arg(describe(event)));
        return;
    }
    const bool open = m_typed.front().pickerOpen;
    m_typed.pop_front();
    // The choice, if this key made one, is over: it wrote whatever it wrote while the key was handled.
    m_choosing = false;
    if (!m_expectedResend.empty()) {
        fail("in order",
            QStringLiteral("%1 was delivered before the re-sent short press of key %2")
                .arg(describe(event))
                .arg(m_expectedResend.front().keyCode));
        m_expectedResend.clear();
    }
    if (event.isDown && !event.isRepeat)
        keyDown(delivery, open);
    else
        restOfPress(delivery);
}

void SimulationChecker::keyDown(const KeyboardEventsSimulated::Delivery& delivery, bool open)
{
    const KeyEvent& event = delivery.event;
    Press press;
    const bool ours
        = delivery.fate == Fate::Panel || delivery.application == WorkspaceSimulated::selfBundleIdentifier;
    switch (ours ? Fate::Panel : delivery.fate) {
    case Fate::App:
        press.went = Press::Went::App;
        press.application = delivery.application;
        if (open)
            fail("keys typed in the picker stay there",
                QStringLiteral("%1 reached %2 while the picker was open")
                    .arg(describe(event), delivery.application));
        else if (delivery.application != frontmost())
            fail("reaches the application in front",
                QStringLiteral("%1 reached \"%2\" while \"%3\" was in front")
                    .arg(describe(event), delivery.application, frontmost()));
        break;
    case Fate::Panel:
        press.went = Press::Went::Panel;
        // This application in front takes keys in its own windows; any other takes them itself.
        if (!open && frontmost() != WorkspaceSimulated::selfBundleIdentifier)
            fail("reaches the application in front",
                QStringLiteral("%1 went to our window while %2 was in front")
                    .arg(describe(event), frontmost()));
        break;
    case Fate::Dropped:
        press.went = Press::Went::Swallowed;
        // While the picker is open a V chooses; otherwise only ⌘C and ⌘V are ever held.
        press.chord = !(open && event.keyCode == KeyCodes::v);
        if (press.chord && !isChord(event.keyCode))
            fail("exactly once",
                QStringLiteral("%1 was swallowed, though only ⌘C and ⌘V are held").arg(describe(event)));
        break;
    }
    m_presses[event.keyCode] = press;
}

void SimulationChecker::restOfPress(const KeyboardEventsSimulated::Delivery& delivery)
{
    const KeyEvent& event = delivery.event;
    const Press press = m_presses[event.keyCode];
    if (!event.isDown)
        m_presses.erase(event.keyCode);
    switch (press.went) {
    case Press::Went::Nowhere:
        break;
    case Press::Went::App:
        // An alert of ours may come to the front during a press: the rest of it then goes to us.
        if (frontmost() != press.application && frontmost() == WorkspaceSimulated::selfBundleIdentifier)
            break;
        if (delivery.fate != Fate::App || delivery.application != press.application)
            fail("exactly once",
                QStringLiteral("%1 did not follow its key-down to %2")
                    .arg(describe(event), press.application));
        break;
    case Press::Went::Panel:
        if (event.isDown && delivery.fate == Fate::App
            && delivery.application != WorkspaceSimulated::selfBundleIdentifier)
            fail("keys typed in the picker stay there",
                QStringLiteral("%1 of a press typed in our window reached %2")
                    .arg(describe(event), delivery.application));
        break;
    case Press::Went::Swallowed:
        // A stray key-up harms no application; a repeat would type or paste again.
        if (event.isDown && delivery.fate == Fate::App)
            fail("part of a hold",
                QStringLiteral("%1 of a swallowed press reached %2")
                    .arg(describe(event), delivery.application));
        if (!event.isDown && press.chord && !press.fired) {
            if (delivery.fate != Fate::Dropped)
                fail("exactly once",
                    QStringLiteral("%1 ended a swallowed short press without re-sending it")
                        .arg(describe(event)));
            KeyEvent resend;
            resend.keyCode = event.keyCode;
            m_expectedResend.push_back(resend);
            resend.isDown = false;
            m_expectedResend.push_back(resend);
        }
        break;
    }
}

void SimulationChecker::postedDelivery(const KeyboardEventsSimulated::Delivery& delivery)
{
    const KeyEvent& event = delivery.event;
    if (!(event.flags & EventFlags::command))
        fail("posts only ⌘C and ⌘V", QStringLiteral("posted %1 without Command").arg(describe(event)));
    if (delivery.fate == Fate::Dropped)
        fail("posted keys pass", QStringLiteral("posted %1 was swallowed").arg(describe(event)));
    if (!m_expectedResend.empty()) {
        const KeyEvent expected = m_expectedResend.front();
        m_expectedResend.pop_front();
        if (event.keyCode != expected.keyCode || event.isDown != expected.isDown)
            fail("in order",
                QStringLiteral("posted %1 where the short press of key %2 was due")
                    .arg(describe(event))
                    .arg(expected.keyCode));
        return;
    }
    if (m_pasteEventsDue > 0 && event.keyCode == KeyCodes::v) {
        if (--m_pasteEventsDue % 2 == 0 && !m_pasteDue.empty())
            m_pasteDue.pop_front();
        // The picker may have opened again within the paste delay (a hold delay of zero does it); else the
        // paste goes where the keys went before the picker.
        if (delivery.fate == Fate::Panel && !pickerOpen()
            && frontmost() != WorkspaceSimulated::selfBundleIdentifier)
            fail("the chosen entry is pasted into the application in front",
                QStringLiteral("posted %1 went to our window while %2 was in front")
                    .arg(describe(event), frontmost()));
        return;
    }
    fail("posts only on a short press or a choice", QStringLiteral("posted %1 unasked").arg(describe(event)));
}

void SimulationChecker::written(PasteboardSimulated::Writer writer)
{
    if (writer != PasteboardSimulated::Writer::App)
        return;
    if (!m_choosing) {
        fail(
            "the pasteboard is written only on a choice", QStringLiteral("the application wrote it unasked"));
        return;
    }
    if (++m_choiceWrites > 1)
        fail("the pasteboard is written only on a choice", QStringLiteral("one choice wrote it twice"));
    m_wroteOnChoice = true;
    if (m_runner.app() && m_runner.app()->accessibilityGranted()) {
        m_pasteEventsDue += 2;
        m_pasteDue.push_back(m_runner.world().scheduler.now() + AppController::pasteDelay);
    }
}

void SimulationChecker::connectController()
{
    AppController* app = m_runner.app();
    if (!app || m_connected == app)
        return;
    m_connected = app;
    QObject::connect(app, &AppController::holdFired, app, [this](HoldMonitor::Key key) {
        Press& current = m_presses[static_cast<std::uint16_t>(key)];
        if (!current.chord)
            fail("holds come from held keys",
                QStringLiteral("a hold of key %1 fired with no press of it held").arg(int(key)));
        current.fired = true;
    });
}

void SimulationChecker::endStep()
{
    connectController();
    m_choosing = false;
    if (!m_typed.empty())
        fail("exactly once",
            QStringLiteral("%1 never came out of the system").arg(describe(m_typed.front().event)));
    if (!m_expectedResend.empty())
        fail("exactly once",
            QStringLiteral("the short press of key %1 was never re-sent")
                .arg(m_expectedResend.front().keyCode));
    const double now = m_runner.world().scheduler.now();
    if (!m_pasteDue.empty() && m_pasteDue.front() < now - 1e-9)
        fail("the chosen entry is pasted", QStringLiteral("no ⌘V was posted after the choice"));
    if (m_runner.app())
        checkHistory();
}

std::vector<QString> SimulationChecker::historyIds() const
{
    std::vector<QString> ids;
    if (m_runner.app())
        for (const auto& item : m_runner.app()->history().items())
            ids.push_back(item.id);
    return ids;
}

void SimulationChecker::checkHistory()
{
    AppController& app = *m_runner.app();
    const ClipboardHistory& history = app.history();
    const auto& items = history.items();
    const auto ids = historyIds();
    if (QSet<QString>(ids.begin(), ids.end()).size() != static_cast<qsizetype>(ids.size()))
        fail("ids are unique", joined(ids));
    // Until `start` applies the limit the store keeps what it loaded, as the application does for an instant.
    if (m_started) {
        const auto limit = HistoryLimits::maximumCount(app.settings().historyLimit());
        if (history.limit() != limit)
            fail("the history follows its limit",
                QStringLiteral("the store's limit differs from the setting"));
        if (limit && static_cast<int>(items.size()) > *limit)
            fail("the history never exceeds its limit",
                QStringLiteral("%1 entries, limit %2").arg(items.size()).arg(*limit));
    }
    if (m_expectedAfterRestart) {
        auto expected = *m_expectedAfterRestart;
        const auto limit = m_started ? history.limit() : std::nullopt;
        if (limit && static_cast<int>(expected.size()) > *limit)
            expected.resize(static_cast<std::size_t>(std::max(*limit, 0)));
        if (ids != expected)
            fail("a restart keeps the history",
                QStringLiteral("before %1, after %2").arg(joined(expected), joined(ids)));
        m_expectedAfterRestart.reset();
    }
    if (m_wroteOnChoice && !items.empty()) {
        // The paster may add flavours (a TIFF beside a PNG), never leave one of the entry's out.
        const QStringList pasted = PasteboardItem::typesOf(m_runner.world().pasteboard.items());
        for (const auto& types : items.front().itemTypes)
            for (const auto& type : types)
                if (!pasted.contains(type))
                    fail("a choice pastes the chosen entry",
                        QStringLiteral("the pasteboard holds %1, the entry on top has %2")
                            .arg(pasted.join(u','), type));
    }
    checkDisk();
}

void SimulationChecker::checkDisk()
{
    const ClipboardHistory& history = m_runner.app()->history();
    const auto ids = historyIds();
    QFile index(history.indexPath());
    std::vector<QString> indexed;
    if (index.open(QIODevice::ReadOnly)) {
        const auto decoded = HistoryIndex::decode(index.readAll());
        if (!decoded) {
            fail("the index and the folders agree", QStringLiteral("index.json does not decode"));
            return;
        }
        for (const auto& item : *decoded)
            indexed.push_back(item.id);
    }
    if (indexed != ids)
        fail("the index and the folders agree",
            QStringLiteral("the index lists %1, the application %2").arg(joined(indexed), joined(ids)));
    const auto folders
        = QDir(history.directory()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    const QSet<QString> listed(ids.begin(), ids.end());
    if (QSet<QString>(folders.begin(), folders.end()) != listed)
        fail("the index and the folders agree",
            QStringLiteral("folders [%1], entries %2").arg(folders.join(QStringLiteral(", ")), joined(ids)));
}
