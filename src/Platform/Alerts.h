#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// Modal questions to the user: alerts with fixed buttons, and the folder chooser. Both block until the
// user answers.
class Alerts {
public:
    enum class Style { Warning, Informational, Critical };

    struct Alert {
        Style style = Style::Warning;
        QString message;
        QString informativeText;
        QStringList buttons; // in order; the first is the default button
    };

    virtual ~Alerts() = default;

    // Runs the alert and returns the text of the button the user chose. When the alert cannot be shown,
    // or is dismissed without a button, the answer is the last button (the one that changes nothing),
    // or the empty string when there are no buttons.
    virtual QString run(const Alert& alert) = 0;
    // The same as a sheet of `window`: modal for that window only (application-modal without a window).
    // Dismissing it answers the button at `dismissButton` rather than the last, for alerts whose
    // harmless answer comes first; an index out of range means the last.
    virtual QString runSheet(const Alert& alert, QWidget* window, int dismissButton) = 0;

    // The answer of a dismissed alert.
    static QString dismissAnswer(const Alert& alert, int dismissButton);

    // Lets the user choose one existing folder, starting in `directory`. The folder's absolute path, or
    // nothing when the user cancelled or the chooser could not be shown.
    virtual std::optional<QString> chooseFolder(const QString& title, const QString& directory) = 0;

    static QString styleName(Style style);
};
