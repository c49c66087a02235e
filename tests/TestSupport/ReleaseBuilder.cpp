#include "TestSupport/ReleaseBuilder.h"

#include "Foundation/AtomicFile.h"
#include "Platform/Desktop/BundleManifest.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace ReleaseBuilder {

struct Key::Pair {
    EVP_PKEY* key = nullptr;
};

Key::Key()
    : m_pair(std::make_unique<Pair>())
{
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    EVP_PKEY_keygen_init(context);
    EVP_PKEY_keygen(context, &m_pair->key);
    EVP_PKEY_CTX_free(context);
}

Key::~Key()
{
    EVP_PKEY_free(m_pair->key);
}

QByteArray Key::publicKey() const
{
    QByteArray key(32, '\0');
    std::size_t length = 32;
    EVP_PKEY_get_raw_public_key(m_pair->key, reinterpret_cast<unsigned char*>(key.data()), &length);
    return key;
}

QByteArray Key::sign(const QByteArray& message) const
{
    QByteArray signature(64, '\0');
    std::size_t length = 64;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestSignInit(context, nullptr, nullptr, nullptr, m_pair->key);
    EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
        reinterpret_cast<const unsigned char*>(message.constData()),
        static_cast<std::size_t>(message.size()));
    EVP_MD_CTX_free(context);
    return signature;
}

void sign(const QString& folder, const Key& key)
{
    QFile::remove(folder + u'/' + BundleManifest::manifestName);
    QFile::remove(folder + u'/' + BundleManifest::signatureName);
    const QByteArray manifest = BundleManifest::build(folder).value_or(QByteArray());
    AtomicFile::write(folder + u'/' + BundleManifest::manifestName, manifest);
    AtomicFile::write(folder + u'/' + BundleManifest::signatureName, key.sign(manifest));
}

void makeBundle(
    const QString& folder, const Key& key, const QByteArray& version, const QByteArray& identifier)
{
    QDir().mkpath(folder + QStringLiteral("/bin"));
    AtomicFile::write(folder + QStringLiteral("/bin/drimo-copy"), "program " + version);
    AtomicFile::write(folder + u'/' + BundleManifest::descriptionName,
        R"({"identifier":")" + identifier + R"(","version":")" + version + "\"}");
    sign(folder, key);
}

QByteArray entry(const QByteArray& name, char type, const QByteArray& body, const QByteArray& link)
{
    QByteArray header(512, '\0');
    std::memcpy(
        header.data(), name.constData(), static_cast<std::size_t>(std::min<qsizetype>(name.size(), 100)));
    std::memcpy(header.data() + 100, type == '5' || type == 'x' ? "0000755" : "0000644", 7);
    if (type == 'x')
        type = '0';
    std::memcpy(header.data() + 108, "0000000", 7);
    std::memcpy(header.data() + 116, "0000000", 7);
    const QByteArray size = QByteArray::number(body.size(), 8).rightJustified(11, '0');
    std::memcpy(header.data() + 124, size.constData(), 11);
    std::memcpy(header.data() + 136, "00000000000", 11);
    header[156] = type;
    std::memcpy(header.data() + 157, link.constData(),
        static_cast<std::size_t>(std::min<qsizetype>(link.size(), 100)));
    std::memcpy(header.data() + 257,
        "ustar\0"
        "00",
        8);
    std::memset(header.data() + 148, ' ', 8);
    unsigned sum = 0;
    for (const char c : header)
        sum += static_cast<unsigned char>(c);
    const QByteArray checksum = QByteArray::number(sum, 8).rightJustified(6, '0');
    std::memcpy(header.data() + 148, checksum.constData(), 6);
    header[154] = '\0';
    QByteArray padded = body;
    padded.append(QByteArray((512 - body.size() % 512) % 512, '\0'));
    return header + padded;
}

QByteArray archive(const QByteArrayList& entries)
{
    return entries.join() + QByteArray(1024, '\0');
}

QByteArrayList entriesOf(const QString& folder, const QByteArray& prefix)
{
    QByteArrayList entries { entry(prefix + '/', '5') };
    QStringList paths;
    QDirIterator it(
        folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(QDir(folder).relativeFilePath(it.next()));
    paths.sort();
    for (const auto& path : paths) {
        const QString full = folder + u'/' + path;
        const QByteArray name = prefix + '/' + path.toUtf8();
        if (QFileInfo(full).isDir()) {
            entries.append(entry(name + '/', '5'));
        } else {
            QFile file(full);
            file.open(QIODevice::ReadOnly);
            entries.append(entry(name, QFileInfo(full).isExecutable() ? 'x' : '0', file.readAll()));
        }
    }
    return entries;
}

QByteArray gzip(const QByteArray& bytes)
{
    z_stream stream {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(
        static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(bytes.size()))) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

} // namespace ReleaseBuilder
