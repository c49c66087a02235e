#include "Platform/Desktop/BundleReplacementDesktop.h"

#include "Foundation/FileTree.h"
#include "Foundation/TreeCopy.h"
#include "Foundation/Uuid.h"
#include "Platform/Desktop/BundleManifest.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

std::optional<QString> BundleReplacementDesktop::replace(
    const QString& installedPath, const QString& newBundlePath)
{
    const auto folder = BundleManifest::installFolder(installedPath);
    if (!folder)
        return systemError(ENOENT);
    const QString suffix = Uuid::create().left(8);
    const QString incoming = *folder + QStringLiteral(".update-") + suffix;
    if (auto failure = TreeCopy::copy(newBundlePath, incoming)) {
        FileTree::remove(incoming);
        return failure;
    }
    const QByteArray from = QFile::encodeName(incoming);
    const QByteArray to = QFile::encodeName(*folder);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        FileTree::remove(incoming); // now the old copy
        return std::nullopt;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        const int error = errno;
        FileTree::remove(incoming);
        return systemError(error);
    }
    // File systems without an exchange: two renames, undone when the second fails.
    const QString outgoing = *folder + QStringLiteral(".previous-") + suffix;
    const QByteArray old = QFile::encodeName(outgoing);
    if (::rename(to.constData(), old.constData()) != 0) {
        const int error = errno;
        FileTree::remove(incoming);
        return systemError(error);
    }
    if (::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        ::rename(old.constData(), to.constData());
        FileTree::remove(incoming);
        return systemError(error);
    }
    FileTree::remove(outgoing);
    return std::nullopt;
}
