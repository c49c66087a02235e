#pragma once

#include <QString>

// Removing what the program put on disk. A folder of ours may have been replaced by a link to someone
// else's: removal takes the link away and never descends through it.
namespace FileTree {

// Removes the file, link or folder at `path`, a folder with everything in it. Links are removed themselves,
// wherever they appear; nothing outside `path` is ever touched. False when anything stayed.
bool remove(const QString& path);

} // namespace FileTree
