// A separate X client the desktop tests drive: a window that reports the keys it receives, or a clipboard
// owner offering several formats at once (which xclip cannot).
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QWidget>

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

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("drimo-desktop-client"));
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.value(0) == QLatin1String("window")) {
        auto* window = new KeyWindow;
        window->setWindowTitle(QStringLiteral("key window"));
        window->resize(200, 100);
        window->show();
        window->activateWindow();
        QApplication::processEvents();
        say("ready " + QByteArray::number(window->winId()));
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
    std::fputs("usage: drimo-desktop-client window | offer MIME FILE...\n", stderr);
    return 2;
}
