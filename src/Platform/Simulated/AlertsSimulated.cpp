#include "Platform/Simulated/AlertsSimulated.h"

QString AlertsSimulated::run(const Alert& alert)
{
    return runSheet(alert, nullptr, -1);
}

QString AlertsSimulated::runSheet(const Alert& alert, QWidget*, int dismissButton)
{
    Record record { alert, dismissAnswer(alert, dismissButton), true };
    if (!m_answers.empty()) {
        const QString queued = m_answers.front();
        m_answers.pop_front();
        if (alert.buttons.contains(queued)) {
            record.answer = queued;
            record.unexpected = false;
        }
    }
    m_alerts.push_back(record);
    onAlert(record);
    return record.answer;
}

std::optional<QString> AlertsSimulated::chooseFolder(const QString& title, const QString& directory)
{
    FolderRecord record { title, directory, std::nullopt, true };
    if (!m_folders.empty()) {
        record.answer = m_folders.front();
        record.unexpected = false;
        m_folders.pop_front();
    }
    m_folderChoices.push_back(record);
    onFolderChoice(record);
    return record.answer;
}
