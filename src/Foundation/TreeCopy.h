#pragma once

#include <QString>

#include <optional>

// Copying a folder of ours, such as an application bundle, somewhere else.
namespace TreeCopy {

// Copies the file, link or folder at `from` to `to`, which must not exist: folders with everything in
// them, files with their permissions, links as links. Nothing else (devices, pipes) is copied. Nothing on
// success; else the system's description of the first error, with whatever was copied left for the caller
// to remove.
std::optional<QString> copy(const QString& from, const QString& to);

} // namespace TreeCopy
