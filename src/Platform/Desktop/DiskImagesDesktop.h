#pragma once

#include "Platform/DiskImages.h"

#include <map>

// Release images on Linux are gzip-compressed tar archives; attaching one unpacks it, with every refusal
// of TarArchive, into the mount folder, and detaching removes that folder.
class DiskImagesDesktop final : public DiskImages {
public:
    QString nameSuffix() const override;
    bool attach(const QString& imagePath, const QString& mountPoint) override;
    void detach(const QString& mountPoint) override;
    QStringList entries(const QString& mountPoint) const override;

private:
    std::map<QString, QStringList> m_attached;
};
