#include "Views/WindowPresenter.h"

#include "Platform/Workspace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

WindowPresenter::WindowPresenter(Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
{ }

WindowPresenter::~WindowPresenter()
{
    for (auto& [key, window] : m_windows)
        delete window.data();
}

QWidget* WindowPresenter::present(const QString& key, const QString& title, const ContentFactory& makeContent)
{
    auto& window = m_windows[key];
    if (!window) {
        window = new QWidget(
            nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        window->setObjectName(key);
        window->setWindowTitle(title);
        // Kept when closed, so the map's entry stays valid and the view keeps its state.
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        // Sized by the content, also when rows come and go later.
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(makeContent());
        // Closable from the keyboard as well as by the title bar's button; a control that is busy with
        // a key (an open pop-up, a recording shortcut field) takes it first.
        for (const QKeySequence& keys : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) })
            connect(new QShortcut(keys, window), &QShortcut::activated, window, &QWidget::close);
        window->adjustSize();
        if (const auto* screen = QGuiApplication::primaryScreen()) {
            auto frame = window->frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            window->move(frame.topLeft());
        }
    }
    m_workspace.activateSelf();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void WindowPresenter::close(const QString& key)
{
    if (auto* found = window(key))
        found->close();
}

QWidget* WindowPresenter::window(const QString& key) const
{
    const auto found = m_windows.find(key);
    return found == m_windows.end() ? nullptr : found->second.data();
}

QStringList WindowPresenter::keys() const
{
    QStringList keys;
    for (const auto& [key, window] : m_windows)
        if (window)
            keys.append(key);
    return keys;
}
