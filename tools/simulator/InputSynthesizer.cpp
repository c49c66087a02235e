#include "InputSynthesizer.h"

#include "EditorDriver.h"
#include "KeyNames.h"
#include "SimulatedWorld.h"
#include "SimulatorState.h"
#include "Transcript.h"

#include "App/AppController.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Picker/PickerKey.h"
#include "Screenshots/ThumbnailPanel.h"
#include "Screenshots/ThumbnailView.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>

using ScenarioScript::Command;
using SimulatorState::strings;
using SimulatorState::utf8;
using json = nlohmann::ordered_json;

namespace {

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

} // namespace

InputSynthesizer::InputSynthesizer(
    SimulatedWorld& world, Transcript& transcript, EditorDriver& editors, Hooks hooks)
    : m_world(world)
    , m_transcript(transcript)
    , m_editors(editors)
    , m_hooks(std::move(hooks))
{ }

void InputSynthesizer::keys(const std::vector<ScenarioScript::Token>& args, std::size_t from, std::size_t end,
    bool isDown, bool isRepeat)
{
    std::uint64_t flags = 0;
    for (auto i = from + 1; i < end; ++i)
        flags |= *KeyNames::modifier(args[i].text);
    typeKey(KeyNames::event(*KeyNames::key(args[from].text), flags, isDown, isRepeat));
}

void InputSynthesizer::typeText(const QString& text)
{
    for (const char32_t character : text.toUcs4()) {
        KeyEvent down;
        if (const auto stroke = KeyNames::stroke(character))
            down = KeyNames::event(stroke->key, stroke->shift ? EventFlags::shift : 0, true, false);
        else
            down.characters = QString::fromUcs4(&character, 1);
        typeKey(down);
        auto up = down;
        up.isDown = false;
        typeKey(up);
    }
}

GlobalShortcuts::RecorderControl* InputSynthesizer::activeRecorder() const
{
    auto* app = m_hooks.app();
    return app ? app->shortcuts().activeRecorder() : nullptr;
}

void InputSynthesizer::typeKey(const KeyEvent& event)
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
        m_transcript.report("key", fields("hotkey"));
    } else if (auto* recorder = activeRecorder(); recorder && event.isDown) {
        // The recording window takes every key down; what it passes on (Tab) stays in that window.
        m_transcript.report("key", fields("panel"));
        recorder->handleKeyDown(event);
    } else {
        m_world.keyboardEvents.type(event);
    }
    m_hooks.observe();
}

void InputSynthesizer::hold(const Command& command)
{
    const auto& a = command.args;
    const auto end = a.size() - 1;
    const double duration = *ScenarioScript::number(a[end].text);
    const double downAt = m_world.scheduler.now();
    keys(a, 0, end, true, false);
    double nextRepeat = downAt + 0.5;
    while (nextRepeat < downAt + duration - 1e-9) {
        m_hooks.advance(nextRepeat - m_world.scheduler.now());
        keys(a, 0, end, true, true);
        nextRepeat += 0.05;
    }
    m_hooks.advance(std::max(0.0, downAt + duration - m_world.scheduler.now()));
    keys(a, 0, end, false, false);
}

void InputSynthesizer::copy(const Command& command)
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
                    m_transcript.warn(
                        command.line, QStringLiteral("cannot read %1; nothing copied").arg(value.path));
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

bool InputSynthesizer::keyWindow(const KeyEvent& event)
{
    AppController* app = m_hooks.app();
    if (app && app->picker().isOpen()) {
        if (event.isDown)
            app->picker().handle(PickerKey::fromKeyEvent(event));
        return true;
    }
    // This application's own windows take the keyboard only while it is in front.
    if (!app || !m_world.workspace.selfIsFrontmost())
        return false;
    if (m_editors.key(event))
        return true;
    auto* active = QApplication::activeWindow();
    auto* target = active && active->isVisible() ? active : nullptr;
    if (!target) {
        for (const auto& key : app->windows().keys())
            if (auto* window = app->windows().window(key); window && window->isVisible())
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

bool InputSynthesizer::clickButton(const QString& text)
{
    AppController* app = m_hooks.app();
    if (!app)
        return false;
    auto& presenter = app->windows();
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

void InputSynthesizer::thumbnail(const Command& command)
{
    auto& panel = m_hooks.app()->thumbnail();
    auto* view = panel.view();
    if (!view) {
        m_transcript.warn(command.line, QStringLiteral("no thumbnail is shown"));
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
        if (command.args[1].text == QLatin1String("on")) {
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
            m_transcript.report("thumbnail.drop", fields);
            return Qt::CopyAction;
        };
        mouse(QEvent::MouseMove, middle + QPointF(ThumbnailView::dragThreshold + 6, 0), Qt::LeftButton);
    }
    // A view the drop closed is deleted only once the event loop runs again.
    if (panel.view() == view)
        mouse(QEvent::MouseButtonRelease, middle, Qt::NoButton);
    m_hooks.observe();
}
