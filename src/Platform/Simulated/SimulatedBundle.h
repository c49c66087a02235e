#pragma once

#include "Platform/BundleInfo.h"

#include <QString>

#include <optional>

// A simulated application bundle on disk: a folder holding a small description of what it is and who signed
// it, which the simulated signing and bundle services read back.
namespace SimulatedBundle {

enum class Signer { Same, Other, None };

struct Description {
    BundleInfo::Identity identity;
    Signer signer = Signer::Same;
};

// Where in a bundle the description lives.
inline const QString descriptionPath = QStringLiteral("Contents/Info.json");

// Makes the folder `bundlePath` with its description. False when it could not be written.
bool write(const QString& bundlePath, const Description& description);
// The description, or nothing when it is missing or malformed.
std::optional<Description> read(const QString& bundlePath);

} // namespace SimulatedBundle
