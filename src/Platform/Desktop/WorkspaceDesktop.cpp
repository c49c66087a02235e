#include "Platform/Desktop/WorkspaceDesktop.h"

#include <QDesktopServices>

bool WorkspaceDesktop::openUrl(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}
