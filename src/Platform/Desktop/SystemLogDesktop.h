#pragma once

#include "Platform/SystemLog.h"

// The system log through syslog(3) under the ident "drimo-copy" (the journal picks it up where there is
// one), and standard error for whoever started the program from a terminal.
class SystemLogDesktop final : public SystemLog {
public:
    SystemLogDesktop();
    ~SystemLogDesktop() override;
    SystemLogDesktop(const SystemLogDesktop&) = delete;
    SystemLogDesktop& operator=(const SystemLogDesktop&) = delete;

    void write(const QString& line) override;
};
