#pragma once

#include "GlobalShortcuts/MenuItem.h"

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class AppController;

// The menu-bar menu as data, so that its rows can be checked without a tray. The rows follow the
// controller: the pause check mark and the permission row change as soon as the state they show does.
class MenuContent final : public QObject {
    Q_OBJECT
public:
    struct Row {
        enum class Kind { Command, Caption, Check, Separator };
        Kind kind = Kind::Separator;
        QString text;
        QKeySequence shortcut;
        bool checked = false;
        std::function<void()> action; // empty for captions and separators

        bool isClickable() const { return kind == Kind::Command || kind == Kind::Check; }
    };

    explicit MenuContent(AppController& app, QObject* parent = nullptr);

    // The rows as they are now, top to bottom.
    std::vector<Row> rows() const;
    // Chooses the clickable row with this text; false when there is none.
    bool trigger(const QString& text) const;
    // The clickable rows as menu items, whose key equivalents a recorded global shortcut must not take.
    std::vector<GlobalShortcuts::MenuItem> keyEquivalents() const;

Q_SIGNALS:
    // The rows changed; a shown menu must be rebuilt.
    void changed();

private:
    AppController& m_app;
};
