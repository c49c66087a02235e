#include "Platform/Desktop/DiskImagesDesktop.h"

#include "Foundation/FileTree.h"
#include "Platform/Desktop/TarArchive.h"

#include <QFile>
#include <QSysInfo>

#include <sys/stat.h>

QString DiskImagesDesktop::nameSuffix() const
{
    return QStringLiteral("-linux-") + QSysInfo::buildCpuArchitecture() + QStringLiteral(".tar.gz");
}

bool DiskImagesDesktop::attach(const QString& imagePath, const QString& mountPoint)
{
    // Made here and only here: an existing folder of that name may not be ours.
    if (::mkdir(QFile::encodeName(mountPoint).constData(), 0700) != 0)
        return false;
    const auto entries = TarArchive::extractFile(imagePath, mountPoint);
    if (!entries) {
        FileTree::remove(mountPoint);
        return false;
    }
    m_attached[mountPoint] = *entries;
    return true;
}

void DiskImagesDesktop::detach(const QString& mountPoint)
{
    if (m_attached.erase(mountPoint) > 0)
        FileTree::remove(mountPoint);
}

QStringList DiskImagesDesktop::entries(const QString& mountPoint) const
{
    const auto it = m_attached.find(mountPoint);
    return it == m_attached.end() ? QStringList() : it->second;
}
