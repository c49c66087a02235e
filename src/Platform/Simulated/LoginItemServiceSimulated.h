#pragma once

#include "Platform/LoginItemService.h"

#include <QStringList>

#include <optional>

// The login-item registry as a script sets it: the next register or unregister succeeds, or fails with a
// given message (leaving the status as it was). Every call is recorded.
class LoginItemServiceSimulated final : public LoginItemService {
public:
    Result registerApp() override;
    Result unregisterApp() override;
    Status status() const override { return m_status; }

    // The outcome of the next change only; later ones succeed again.
    void nextChangeSucceeds() { m_nextFailure.reset(); }
    void nextChangeFails(const QString& message) { m_nextFailure = message; }

    // "register" and "unregister", in order, each followed by " ok" or " failed".
    const QStringList& calls() const { return m_calls; }

private:
    Result change(const QString& name, Status target);

    Status m_status = Status::NotRegistered;
    std::optional<QString> m_nextFailure;
    QStringList m_calls;
};
