#pragma once

#include <QString>

// The system's log, for the few things worth telling an administrator and nobody else.
class SystemLog {
public:
    virtual ~SystemLog() = default;

    // Writes one line. Losing it (no log available) is silent.
    virtual void write(const QString& line) = 0;
};
