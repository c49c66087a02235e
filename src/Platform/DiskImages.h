#pragma once

#include <QString>
#include <QStringList>

// Release images: an archive the update is delivered in, opened into a folder of its own.
class DiskImages {
public:
    virtual ~DiskImages() = default;

    // How the names of this platform's release images end, after the version: "-arm64.dmg". What follows
    // the first dot is the file type.
    virtual QString nameSuffix() const = 0;

    // Makes the image's contents appear in `mountPoint`, which must not exist yet. False when the image is
    // unreadable or refused; nothing is then left at `mountPoint`.
    virtual bool attach(const QString& imagePath, const QString& mountPoint) = 0;
    // The names directly in an attached image, in the image's own order; empty when nothing is attached
    // there.
    virtual QStringList entries(const QString& mountPoint) const = 0;
    // Takes the contents away again. Harmless when nothing is attached there.
    virtual void detach(const QString& mountPoint) = 0;
};
