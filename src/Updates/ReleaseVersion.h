#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Comparing version strings the way the release feed writes them, and telling which of them may be
// installed.
namespace ReleaseVersion {

// One number per dot-separated component, empty components dropped. A component counts as the number its
// leading numeric characters spell; without any, or when they are not all ASCII digits, or when the number
// does not fit 64 bits, it counts as 0. What follows the numeric characters is ignored ("2rc1" is 2).
std::vector<std::int64_t> parts(const QString& version);

// Whether `candidate` is strictly higher than `current`; missing trailing components count as 0.
bool isNewer(const QString& candidate, const QString& current);

// Two to four groups of ASCII digits joined by single dots, and nothing else: the only versions the
// installer downloads, because the version becomes part of a download path.
bool isWellFormed(const QString& version);

} // namespace ReleaseVersion
