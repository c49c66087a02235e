#pragma once

#include "Platform/Alerts.h"

#include <deque>
#include <functional>
#include <vector>

// Alerts and folder choosers answered from a script, first queued first used. An alert with no queued
// answer gets its last button, as a user dismissing it would, and its record is marked unexpected; a
// queued answer that is not one of the alert's buttons is used up and treated the same way.
class AlertsSimulated final : public Alerts {
public:
    struct Record {
        Alert alert;
        QString answer;
        bool unexpected = false;
    };
    struct FolderRecord {
        QString title;
        QString directory;
        std::optional<QString> answer;
        bool unexpected = false;
    };

    QString run(const Alert& alert) override;
    // Recorded like run(); where it was shown does not matter here.
    QString runSheet(const Alert& alert, QWidget* window, int dismissButton) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& directory) override;

    void queueAnswer(const QString& button) { m_answers.push_back(button); }
    // Nothing queues a cancel.
    void queueFolder(const std::optional<QString>& path) { m_folders.push_back(path); }

    const std::vector<Record>& alerts() const { return m_alerts; }
    const std::vector<FolderRecord>& folderChoices() const { return m_folderChoices; }
    std::size_t pendingAnswers() const { return m_answers.size(); }

    // Told of every alert and folder choice once it has been answered.
    std::function<void(const Record&)> onAlert = [](const Record&) {};
    std::function<void(const FolderRecord&)> onFolderChoice = [](const FolderRecord&) {};

private:
    std::deque<QString> m_answers;
    std::deque<std::optional<QString>> m_folders;
    std::vector<Record> m_alerts;
    std::vector<FolderRecord> m_folderChoices;
};
