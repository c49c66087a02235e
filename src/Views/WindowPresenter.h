#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <map>

class Workspace;

// Keeps one window per purpose ("settings", "onboarding"): asking again brings the same window, with
// its view state, to the front instead of opening a second one. Closing a window only hides it.
class WindowPresenter final : public QObject {
    Q_OBJECT
public:
    using ContentFactory = std::function<QWidget*()>;

    explicit WindowPresenter(Workspace& workspace, QObject* parent = nullptr);
    ~WindowPresenter() override;

    // Shows the window kept under `key`, first making it (title bar and close button only, sized by its
    // content, centred, closed by Escape and Ctrl+W too) with `title` and the content `makeContent` creates;
    // then activates this application and brings the window to the front.
    QWidget* present(const QString& key, const QString& title, const ContentFactory& makeContent);
    // Closes (hides) the window under `key`; nothing when there is none.
    void close(const QString& key);
    QWidget* window(const QString& key) const;
    // Every key with a window, sorted.
    QStringList keys() const;

private:
    Workspace& m_workspace;
    std::map<QString, QPointer<QWidget>> m_windows;
};
