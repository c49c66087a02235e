#pragma once

#include "Platform/Alerts.h"

#include <QList>

class QAbstractButton;
class QMessageBox;

// Alerts as Qt message boxes and the folder chooser as Qt's file dialog, both application-modal
// unless shown as a sheet of a window.
class AlertsDesktop final : public Alerts {
public:
    QString run(const Alert& alert) override;
    // A window-modal message box on `window`.
    QString runSheet(const Alert& alert, QWidget* window, int dismissButton) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& directory) override;

    // Fills a message box with the alert's text, icon and buttons (in the alert's order, the first the
    // default) and returns the buttons in that order.
    static QList<QAbstractButton*> configure(QMessageBox& box, const Alert& alert, int dismissButton = -1);
};
