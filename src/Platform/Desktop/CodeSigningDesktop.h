#pragma once

#include "Platform/CodeSigning.h"

#include <QByteArray>

// Release signatures on Linux: an Ed25519 signature over the bundle's manifest of file digests, checked
// with the public key this build was configured with. A build without a key has no signer to compare
// against, so it counts as ad hoc and never installs an update in place.
class CodeSigningDesktop final : public CodeSigning {
public:
    // `publicKey` is the raw 32-byte Ed25519 key; empty for a build without one.
    explicit CodeSigningDesktop(QByteArray publicKey);

    bool isSameSigner(const QString& bundlePath) override;
    bool isAdHocSigned() override { return m_publicKey.size() != 32; }

    // The key given at configure time, as hexadecimal text in DRIMO_UPDATE_PUBLIC_KEY; empty without one.
    static QByteArray builtInKey();

private:
    QByteArray m_publicKey;
};
