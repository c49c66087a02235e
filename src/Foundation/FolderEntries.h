#pragma once

#include "Foundation/FileDescriptor.h"

#include <functional>

// Listing a folder opened by descriptor, so that no path is ever resolved again after the folder was
// opened without following links.
namespace FolderEntries {

// Calls `visit` with the folder's descriptor and the name of each entry but "." and "..", until it returns
// false. False when the folder could not be listed or `visit` stopped early.
bool forEach(FileDescriptor folder, const std::function<bool(int folder, const char* name)>& visit);

} // namespace FolderEntries
