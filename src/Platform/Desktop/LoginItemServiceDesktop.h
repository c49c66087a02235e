#pragma once

#include "Platform/LoginItemService.h"

// Starting at login through an XDG autostart entry, $XDG_CONFIG_HOME/autostart/com.drimo.copy.desktop
// (~/.config when the variable is unset or not absolute), that runs the given executable.
class LoginItemServiceDesktop final : public LoginItemService {
public:
    explicit LoginItemServiceDesktop(QString executable);

    Result registerApp() override;
    Result unregisterApp() override;
    // Enabled while the entry exists and is not marked Hidden=true; NotFound when it cannot be read.
    Status status() const override;

    QString entryPath() const;
    // The entry's contents for an executable.
    static QByteArray entry(const QString& executable);

private:
    QString m_executable;
};
