#pragma once

#include <QString>

class BundleInfo;

// What the application says about itself.
namespace AppInfo {

// The short version string, or "?" when the bundle carries none.
QString version(const BundleInfo& bundle);

} // namespace AppInfo
