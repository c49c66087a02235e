#include "Platform/Desktop/BundleManifest.h"

#include "Foundation/Sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace BundleManifest {

namespace {

constexpr int maximumFiles = 20'000;
constexpr int maximumDepth = 32;

std::optional<QByteArray> digest(int parent, const char* name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    return Sha256::hexDigestOfFile(fd);
}

bool collect(int folder, const QByteArray& prefix, int depth, std::map<QByteArray, QByteArray>& files)
{
    DIR* dir = ::fdopendir(folder);
    if (!dir) {
        ::close(folder);
        return false;
    }
    bool ok = true;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        if (prefix.isEmpty() && (name == manifestName.toUtf8() || name == signatureName.toUtf8()))
            continue;
        struct stat info { };
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            break;
        }
        if (S_ISDIR(info.st_mode) && depth < maximumDepth) {
            const int sub
                = ::openat(::dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !collect(sub, path, depth + 1, files)) {
                ok = false;
                break;
            }
        } else if (S_ISREG(info.st_mode) && static_cast<int>(files.size()) < maximumFiles
            && !path.contains('\n')) {
            const auto hex = digest(::dirfd(dir), entry->d_name);
            if (!hex) {
                ok = false;
                break;
            }
            files[path] = *hex;
        } else {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

std::optional<QByteArray> build(const QString& folder)
{
    const int fd
        = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::map<QByteArray, QByteArray> files;
    if (!collect(fd, {}, 0, files))
        return std::nullopt;
    QByteArray manifest;
    for (const auto& [path, hex] : files)
        manifest += hex + "  " + path + '\n';
    return manifest;
}

std::optional<QString> installFolder(const QString& path)
{
    // Only the folder itself or the one two levels up from its executable (FOLDER/bin/drimo-copy): a
    // description found further up would belong to something larger than our own copy, such as /usr/local.
    const QFileInfo info(path);
    const QString candidate
        = info.isDir() ? info.absoluteFilePath() : QFileInfo(info.absolutePath()).absolutePath();
    if (QFileInfo(candidate + u'/' + descriptionName).isFile())
        return candidate;
    return std::nullopt;
}

} // namespace BundleManifest
