#pragma once

#include "Platform/DiskImages.h"
#include "Platform/Simulated/SimulatedBundle.h"

#include <QByteArray>
#include <QStringList>

#include <map>
#include <vector>

// Disk images a test declares by name. An image file is recognised by its bytes, which its name alone
// determines; attaching one makes its applications appear as bundles in the mount point.
class DiskImagesSimulated final : public DiskImages {
public:
    struct Image {
        QStringList applications { QStringLiteral("Drimo Copy.app") };
        std::optional<QString> identifier; // every application's; absent: none
        std::optional<QString> version;
        SimulatedBundle::Signer signer = SimulatedBundle::Signer::Same;
        bool mountFails = false;
    };

    // The bytes of the image named `name`: the same name always gives the same bytes.
    static QByteArray bytes(const QString& name);

    void declare(const QString& name, const Image& image) { m_images[name] = image; }

    QString nameSuffix() const override { return QStringLiteral("-arm64.dmg"); }
    bool attach(const QString& imagePath, const QString& mountPoint) override;
    void detach(const QString& mountPoint) override;
    QStringList entries(const QString& mountPoint) const override;

    // Mount points attached and not yet detached.
    const QStringList& mounted() const { return m_mounted; }
    int attachCount() const { return m_attachCount; }

private:
    std::map<QString, Image> m_images;
    QStringList m_mounted;
    std::map<QString, QStringList> m_entries;
    int m_attachCount = 0;
};
