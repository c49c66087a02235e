#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <memory>

// Makes releases the way the release tool does, and broken ones the way an attacker would: Ed25519 keys and
// signatures, signed install folders, and ustar archives with any entries at all.
namespace ReleaseBuilder {

class Key final {
public:
    Key();
    ~Key();
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    // The raw 32-byte public key.
    QByteArray publicKey() const;
    QByteArray sign(const QByteArray& message) const;

private:
    struct Pair;
    std::unique_ptr<Pair> m_pair;
};

// An install folder: bin/drimo-copy holding "program VERSION", its description and, signed with `key`, its
// manifest.
void makeBundle(const QString& folder, const Key& key, const QByteArray& version,
    const QByteArray& identifier = "com.drimo.copy");
// Signs what is in `folder` now.
void sign(const QString& folder, const Key& key);

// One ustar entry: a header and the padded body. `type` '0' file, 'x' executable file, '5' folder, '2'
// symbolic link…
QByteArray entry(const QByteArray& name, char type, const QByteArray& body = {}, const QByteArray& link = {});
// Entries followed by the end marker.
QByteArray archive(const QByteArrayList& entries);
// Every file and folder under `folder`, as entries below `prefix`.
QByteArrayList entriesOf(const QString& folder, const QByteArray& prefix);
QByteArray gzip(const QByteArray& bytes);

} // namespace ReleaseBuilder
