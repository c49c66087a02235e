#include "Support/Permissions.h"

#include "Platform/Accessibility.h"
#include "Platform/Workspace.h"

#include <QUrl>

namespace Permissions {

void requestAccessibility(Accessibility& accessibility, Workspace& workspace)
{
    // The answer is stale the moment the prompt appears; the watch reads the trust again later.
    accessibility.requestTrust(true);
    const auto url = accessibility.settingsPage();
    if (url.isValid())
        workspace.openUrl(url);
}

} // namespace Permissions
