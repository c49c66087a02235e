#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The files that make an installed copy of the program on Linux a bundle: an install folder holding the
// executable and its data, a description of what it is, and the signed list of every file's digest.
namespace BundleManifest {

inline const QString descriptionName = QStringLiteral("bundle.json");
inline const QString manifestName = QStringLiteral("bundle.manifest");
inline const QString signatureName = QStringLiteral("bundle.sig");

// Lines "DIGEST  PATH\n" for every regular file below `folder` except the manifest and its signature,
// sorted by path; nothing when the folder holds anything but folders and regular files, or is too big.
std::optional<QByteArray> build(const QString& folder);

// The install folder that `path` names or whose bin folder holds the executable `path`, when it carries a
// description; nothing otherwise.
std::optional<QString> installFolder(const QString& path);

} // namespace BundleManifest
