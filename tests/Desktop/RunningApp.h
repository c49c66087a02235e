#pragma once

#include "Clipboard/ClipboardItem.h"

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <optional>
#include <utility>
#include <vector>

// The real program on the test display, in a home of its own: its data, settings, temporary and runtime
// folders all live there, so a user's own running copy is never touched and never answers for it.
class RunningApp {
public:
    using Environment = QList<std::pair<QString, QString>>;

    // `environment`: variables to add, or to use in place of its own folders; `settings`: the stored
    // preferences as JSON, none stored when empty; `startNow` false to start it later with start(), e.g.
    // again after a kill.
    explicit RunningApp(const QTemporaryDir& home, const Environment& environment = {},
        const QByteArray& settings = {}, bool startNow = true);
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    // Starts it with `arguments` on its command line.
    bool start(const QStringList& arguments = {});
    // SIGKILL: no chance to finish anything.
    void kill();
    bool started();
    bool waitForExit(int milliseconds);
    // Its exit code once it has ended within `milliseconds` (-1 after a crash), or nothing while it runs.
    std::optional<int> exitCode(int milliseconds);
    // Everything it has written to standard output and error so far.
    QString output();
    // Whether it has started recording, as it says once it has.
    bool recording();
    // Known from the start, also after it has ended.
    long long processId() const { return m_pid; }

    QString historyFolder() const;
    // The bytes of file `name` in the folder of the entry `id`.
    QByteArray entryFile(const QString& id, const QString& name) const;
    // The stored index: empty when there is none yet, nothing when it does not decode.
    std::optional<std::vector<ClipboardItem>> index() const;
    // The entries as stored, or none.
    std::vector<ClipboardItem> history() const { return index().value_or(std::vector<ClipboardItem> {}); }
    QString desktop() const;
    // The private folder its temporary files go to.
    QString temporary() const;

private:
    QString m_home;
    QProcess m_process;
    long long m_pid = 0;
    QString m_output;
};
