#include "Support/Permissions.h"

#include "Platform/Accessibility.h"
#include "Platform/Workspace.h"

namespace Permissions {

QUrl accessibilitySettingsUrl()
{
    return QUrl(
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
}

void requestAccessibility(Accessibility& accessibility, Workspace& workspace)
{
    // The answer is stale the moment the prompt appears; the watch reads the trust again later.
    accessibility.requestTrust(true);
    const auto url = accessibilitySettingsUrl();
    if (url.isValid())
        workspace.openUrl(url);
}

} // namespace Permissions
