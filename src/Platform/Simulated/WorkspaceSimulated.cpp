#include "Platform/Simulated/WorkspaceSimulated.h"

bool WorkspaceSimulated::openUrl(const QUrl& url)
{
    if (!url.isValid())
        return false;
    m_openedUrls.append(url);
    return true;
}

void WorkspaceSimulated::activateSelf()
{
    ++m_activations;
    setFrontmost(selfBundleIdentifier);
}

void WorkspaceSimulated::setFrontmost(const std::optional<QString>& bundleIdentifier)
{
    Application app;
    app.bundleIdentifier = bundleIdentifier;
    app.processIdentifier = bundleIdentifier ? processIdentifier(*bundleIdentifier) : 99;
    m_frontmost = app;
}

bool WorkspaceSimulated::selfIsFrontmost() const
{
    return m_frontmost && m_frontmost->bundleIdentifier == selfBundleIdentifier;
}

long long WorkspaceSimulated::processIdentifier(const QString& bundleIdentifier)
{
    if (bundleIdentifier == selfBundleIdentifier)
        return 100;
    auto index = m_knownBundles.indexOf(bundleIdentifier);
    if (index < 0) {
        m_knownBundles.append(bundleIdentifier);
        index = m_knownBundles.size() - 1;
    }
    return 501 + index;
}
