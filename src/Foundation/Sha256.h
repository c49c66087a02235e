#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>
#include <optional>

// Incremental SHA-256 through OpenSSL, which uses the processor's SHA instructions where present.
class Sha256 final {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(QByteArrayView bytes);
    // The 32-byte digest; the object must not be updated afterwards.
    QByteArray finish();

    static QByteArray digest(QByteArrayView bytes);
    // 64 lower-case hexadecimal digits.
    static QByteArray hexDigest(QByteArrayView bytes);
    // The hexadecimal digest of what is left to read from `fd`, read in pieces so that a file of any size
    // is never held whole; nothing when reading fails. The descriptor is closed either way.
    static std::optional<QByteArray> hexDigestOfFile(int fd);

private:
    struct Context;
    std::unique_ptr<Context> m_context;
};
