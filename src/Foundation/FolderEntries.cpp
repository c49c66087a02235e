#include "Foundation/FolderEntries.h"

#include <cstring>
#include <dirent.h>

namespace FolderEntries {

bool forEach(FileDescriptor folder, const std::function<bool(int folder, const char* name)>& visit)
{
    DIR* dir = ::fdopendir(folder.get());
    if (!dir)
        return false;
    folder.release(); // the listing owns it now
    bool finished = true;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (!visit(::dirfd(dir), entry->d_name)) {
            finished = false;
            break;
        }
    }
    ::closedir(dir);
    return finished;
}

} // namespace FolderEntries
