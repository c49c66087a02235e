#include "Platform/Simulated/LoginItemServiceSimulated.h"

LoginItemService::Result LoginItemServiceSimulated::registerApp()
{
    return change(QStringLiteral("register"), Status::Enabled);
}

LoginItemService::Result LoginItemServiceSimulated::unregisterApp()
{
    return change(QStringLiteral("unregister"), Status::NotRegistered);
}

LoginItemService::Result LoginItemServiceSimulated::change(const QString& name, Status target)
{
    const auto failure = m_nextFailure;
    m_nextFailure.reset();
    if (failure) {
        m_calls.append(name + QStringLiteral(" failed"));
        return { false, *failure };
    }
    m_calls.append(name + QStringLiteral(" ok"));
    m_status = target;
    return {};
}
