#pragma once

#include "Platform/SystemLog.h"

#include <QStringList>

#include <functional>

// Keeps every line written.
class SystemLogSimulated final : public SystemLog {
public:
    void write(const QString& line) override
    {
        m_lines.append(line);
        onLine(line);
    }
    const QStringList& lines() const { return m_lines; }

    std::function<void(const QString&)> onLine = [](const QString&) {};

private:
    QStringList m_lines;
};
