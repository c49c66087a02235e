#include "Platform/Simulated/DiskImagesSimulated.h"

#include "Foundation/FileTree.h"
#include "Foundation/RegularFile.h"
#include "Foundation/Sha256.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr qint64 maximumImageBytes = 1024 * 1024;

} // namespace

QByteArray DiskImagesSimulated::bytes(const QString& name)
{
    // Large enough to be streamed in more than one piece, and unique to the name.
    QByteArray image = "simulated disk image " + name.toUtf8() + '\n';
    QByteArray block = Sha256::digest(image);
    while (image.size() < 64 * 1024) {
        image.append(block);
        block = Sha256::digest(block);
    }
    return image;
}

bool DiskImagesSimulated::attach(const QString& imagePath, const QString& mountPoint)
{
    ++m_attachCount;
    if (QFileInfo::exists(mountPoint))
        return false;
    const auto contents = RegularFile::bytes(imagePath, maximumImageBytes);
    if (!contents)
        return false;
    for (const auto& [name, image] : m_images) {
        if (image.mountFails || bytes(name) != *contents)
            continue;
        if (!QDir().mkpath(mountPoint))
            return false;
        for (const auto& application : image.applications) {
            SimulatedBundle::Description description { { image.identifier, image.version.value_or(name) },
                image.signer };
            if (!SimulatedBundle::write(mountPoint + u'/' + application, description)) {
                FileTree::remove(mountPoint);
                return false;
            }
        }
        m_mounted.append(mountPoint);
        m_entries[mountPoint] = image.applications;
        return true;
    }
    return false;
}

void DiskImagesSimulated::detach(const QString& mountPoint)
{
    if (m_mounted.removeAll(mountPoint) > 0)
        FileTree::remove(mountPoint);
    m_entries.erase(mountPoint);
}

QStringList DiskImagesSimulated::entries(const QString& mountPoint) const
{
    const auto it = m_entries.find(mountPoint);
    return it == m_entries.end() ? QStringList() : it->second;
}
