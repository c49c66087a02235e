#include "Support/AppInfo.h"

#include "Platform/BundleInfo.h"

namespace AppInfo {

QString version(const BundleInfo& bundle)
{
    return bundle.shortVersion().value_or(QStringLiteral("?"));
}

} // namespace AppInfo
