#include "Support/LoginItem.h"

#include "Platform/LoginItemService.h"
#include "Platform/SystemLog.h"

namespace LoginItem {

void set(bool enabled, LoginItemService& service, SystemLog& log)
{
    const auto result = enabled ? service.registerApp() : service.unregisterApp();
    if (result.ok)
        return;
    // Administrators grep for this exact wording, so it is not localised.
    log.write(QStringLiteral("Drimo Copy: login item change failed: %1").arg(result.errorDescription));
}

bool isEnabled(const LoginItemService& service)
{
    return service.status() == LoginItemService::Status::Enabled;
}

} // namespace LoginItem
