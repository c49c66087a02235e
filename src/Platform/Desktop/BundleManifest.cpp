#include "Platform/Desktop/BundleManifest.h"

#include "Foundation/FolderEntries.h"
#include "Foundation/Sha256.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    const auto file = FileDescriptor::openRegular(parent, name);
    if (!file.isOpen())
        return std::nullopt;
    return Sha256::hexDigestOfFile(file.get());
}

bool collect(
    FileDescriptor folder, const QByteArray& prefix, int depth, std::map<QByteArray, QByteArray>& files)
{
    return FolderEntries::forEach(std::move(folder), [&](int inside, const char* entry) {
        const QByteArray name(entry);
        const QByteArray path = prefix.isEmpty() ? name : prefix + '/' + name;
        if (prefix.isEmpty() && (name == manifestName.toUtf8() || name == signatureName.toUtf8()))
            return true;
        struct stat info { };
        if (::fstatat(inside, entry, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISDIR(info.st_mode) && depth < maximumDepth)
            return collect(FileDescriptor::openFolder(inside, entry), path, depth + 1, files);
        if (S_ISREG(info.st_mode) && static_cast<int>(files.size()) < maximumFiles && !path.contains('\n')) {
            const auto hex = digest(inside, entry);
            if (hex)
                files[path] = *hex;
            return hex.has_value();
        }
        return false;
    });
}

} // namespace

std::optional<QByteArray> build(const QString& folder)
{
    std::map<QByteArray, QByteArray> files;
    if (!collect(FileDescriptor::openFolder(AT_FDCWD, QFile::encodeName(folder).constData()), {}, 0, files))
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
