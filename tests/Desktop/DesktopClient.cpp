// A separate X client the desktop tests drive: a window that reports the keys it receives, a text field
// that reports its text and caret, a clipboard owner offering several formats at once (which xclip
// cannot), or a window that takes drops and reports what they held.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include <cstdio>

namespace {

void say(const QByteArray& line)
{
    std::fputs((line + '\n').constData(), stdout);
    std::fflush(stdout);
}

class KeyWindow final : public QWidget {
protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        // Modifiers alone type nothing; reporting them would make every chord two lines.
        if (event->text().isEmpty() && event->key() >= Qt::Key_Shift && event->key() <= Qt::Key_ScrollLock)
            return;
        // With DRIMO_CLIENT_SHOW_CLIPBOARD set, a paste also says what it would insert.
        if (event->matches(QKeySequence::Paste) && qEnvironmentVariableIsSet("DRIMO_CLIENT_SHOW_CLIPBOARD"))
            say("paste " + QApplication::clipboard()->text().toUtf8());
        else if (event->matches(QKeySequence::Paste))
            say("paste");
        else
            say("key " + QByteArray::number(event->key()) + ' ' + event->text().toUtf8());
    }
};

// Accepts a copy of whatever is dropped: "drop uris URL…", or "drop image WIDTH HEIGHT" when no file came.
class DropWindow final : public QWidget {
public:
    DropWindow() { setAcceptDrops(true); }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
    void dragMoveEvent(QDragMoveEvent* event) override { event->acceptProposedAction(); }
    void dropEvent(QDropEvent* event) override
    {
        const QMimeData* data = event->mimeData();
        if (data->hasUrls()) {
            QByteArray line = "drop uris";
            for (const QUrl& url : data->urls())
                line += ' ' + url.toEncoded();
            say(line);
        } else if (data->hasImage()) {
            const QImage image = qvariant_cast<QImage>(data->imageData());
            say("drop image " + QByteArray::number(image.width()) + ' ' + QByteArray::number(image.height()));
        } else {
            say("drop " + data->formats().join(u' ').toUtf8());
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
};

// "caret X Y WIDTH HEIGHT FIELD-X FIELD-Y FIELD-WIDTH FIELD-HEIGHT", in global coordinates.
QByteArray caretLine(const QLineEdit& field)
{
    const QRect caret = field.inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const QPoint at = field.mapToGlobal(caret.topLeft());
    const QPoint fieldAt = field.mapToGlobal(QPoint(0, 0));
    QByteArray line = "caret";
    for (const int value : { at.x(), at.y(), caret.width(), caret.height(), fieldAt.x(), fieldAt.y(),
             field.width(), field.height() })
        line += ' ' + QByteArray::number(value);
    return line;
}

// Under a window manager a new window is reparented into a frame and may be placed elsewhere than asked, a
// moment after it is shown: what the window says of its position is final only once it has rested.
void settle(QWidget& window)
{
    QElapsedTimer waited;
    waited.start();
    QPoint last = window.mapToGlobal(QPoint(0, 0));
    qint64 restingSince = 0;
    while (waited.elapsed() < 3000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        const QPoint now = window.mapToGlobal(QPoint(0, 0));
        if (now != last || !window.windowHandle() || !window.windowHandle()->isExposed()) {
            last = now;
            restingSince = waited.elapsed();
        } else if (waited.elapsed() - restingSince > 300) {
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Qt answers accessibility questions over AT-SPI only when asked to, or when a screen reader runs.
    if (argc > 1 && qstrcmp(argv[1], "text") == 0)
        qputenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("drimo-desktop-client"));
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("window")) {
        auto* window = new KeyWindow;
        window->setWindowTitle(QStringLiteral("key window"));
        window->resize(200, 100);
        window->show();
        window->activateWindow();
        settle(*window);
        say("ready " + QByteArray::number(window->winId()));
        return app.exec();
    }
    if (arguments.value(0) == QLatin1String("drop")) {
        auto* window = new DropWindow;
        window->setWindowTitle(QStringLiteral("drop window"));
        window->resize(300, 200);
        window->move(100, 100);
        window->show();
        settle(*window);
        const QRect frame(window->mapToGlobal(QPoint(0, 0)), window->size());
        say("ready " + QByteArray::number(window->winId()) + ' ' + QByteArray::number(frame.x()) + ' '
            + QByteArray::number(frame.y()) + ' ' + QByteArray::number(frame.width()) + ' '
            + QByteArray::number(frame.height()));
        return app.exec();
    }
    if (arguments.value(0) == QLatin1String("text") && arguments.size() == 3) {
        // The field shows once Qt is on the accessibility bus, so that others hear of it taking the focus.
        QElapsedTimer waited;
        waited.start();
        while (!QAccessible::isActive() && waited.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        auto* field = new QLineEdit(arguments[1]);
        field->setWindowTitle(QStringLiteral("text window"));
        field->resize(300, field->sizeHint().height());
        field->move(120, 200);
        field->setCursorPosition(arguments[2].toInt());
        field->show();
        field->activateWindow();
        settle(*field);
        QObject::connect(
            field, &QLineEdit::textChanged, [](const QString& text) { say("text " + text.toUtf8()); });
        QObject::connect(field, &QLineEdit::cursorPositionChanged, [field] { say(caretLine(*field)); });
        // With DRIMO_CLIENT_SHOW_FOCUS set, it also says when its window gains and loses the keyboard.
        if (qEnvironmentVariableIsSet("DRIMO_CLIENT_SHOW_FOCUS")) {
            QObject::connect(&app, &QGuiApplication::focusWindowChanged,
                [](QWindow* window) { say(window ? "focus in" : "focus out"); });
            if (QGuiApplication::focusWindow())
                say("focus in");
        }
        say("ready " + QByteArray::number(field->winId()) + ' ' + caretLine(*field));
        return app.exec();
    }
    if (arguments.value(0) == QLatin1String("offer") && arguments.size() % 2 == 1) {
        auto* mime = new QMimeData;
        for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
            QFile file(arguments[i + 1]);
            if (!file.open(QIODevice::ReadOnly))
                return 2;
            mime->setData(arguments[i], file.readAll());
        }
        QApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
        QObject::connect(QApplication::clipboard(), &QClipboard::dataChanged, &app, &QApplication::quit);
        say("ready");
        return app.exec();
    }
    std::fputs("usage: drimo-desktop-client window | text TEXT CARET | offer MIME FILE... | drop\n", stderr);
    return 2;
}
