#include "Platform/Desktop/AlertsDesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon icon(Alerts::Style style)
{
    switch (style) {
    case Alerts::Style::Warning:
        return QMessageBox::Warning;
    case Alerts::Style::Informational:
        return QMessageBox::Information;
    case Alerts::Style::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QList<QAbstractButton*> AlertsDesktop::configure(QMessageBox& box, const Alert& alert, int dismissButton)
{
    box.setIcon(icon(alert.style));
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    box.setWindowModality(Qt::ApplicationModal);
    // Every button takes the same role so the style keeps them in the order given rather than sorting
    // them by role; the last one, which changes nothing, is what Escape and closing the box choose.
    QList<QAbstractButton*> buttons;
    for (const auto& text : alert.buttons)
        buttons.append(box.addButton(text, QMessageBox::ActionRole));
    if (!buttons.isEmpty()) {
        box.setDefaultButton(static_cast<QPushButton*>(buttons.constFirst()));
        const bool inRange = dismissButton >= 0 && dismissButton < buttons.size();
        box.setEscapeButton(inRange ? buttons.at(dismissButton) : buttons.constLast());
    }
    return buttons;
}

QString AlertsDesktop::run(const Alert& alert)
{
    return runSheet(alert, nullptr, -1);
}

QString AlertsDesktop::runSheet(const Alert& alert, QWidget* window, int dismissButton)
{
    const QString dismissed = dismissAnswer(alert, dismissButton);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return dismissed;
    QMessageBox box(window);
    const auto buttons = configure(box, alert, dismissButton);
    if (window)
        box.setWindowModality(Qt::WindowModal);
    box.exec();
    const int index = buttons.indexOf(box.clickedButton());
    // The button's text may have gained a mnemonic ampersand from the style; the alert's own text is
    // what the caller compares with.
    return index >= 0 && index < alert.buttons.size() ? alert.buttons.at(index) : dismissed;
}

std::optional<QString> AlertsDesktop::chooseFolder(const QString& title, const QString& directory)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return std::nullopt;
    QFileDialog dialog(nullptr, title, directory);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}
