#include "Platform/Desktop/CodeSigningDesktop.h"

#include "Foundation/RegularFile.h"
#include "Platform/Desktop/BundleManifest.h"

#include <openssl/evp.h>

#include <memory>

namespace {

constexpr qint64 signatureBytes = 64;
constexpr qint64 maximumManifestBytes = 8 * 1024 * 1024;

bool verify(const QByteArray& key, const QByteArray& message, const QByteArray& signature)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> publicKey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
            reinterpret_cast<const unsigned char*>(key.constData()), static_cast<size_t>(key.size())),
        EVP_PKEY_free);
    if (!publicKey)
        return false;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) != 1)
        return false;
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.constData()),
               static_cast<size_t>(signature.size()),
               reinterpret_cast<const unsigned char*>(message.constData()),
               static_cast<size_t>(message.size()))
        == 1;
}

} // namespace

CodeSigningDesktop::CodeSigningDesktop(QByteArray publicKey)
    : m_publicKey(std::move(publicKey))
{ }

QByteArray CodeSigningDesktop::builtInKey()
{
#ifdef DRIMO_UPDATE_PUBLIC_KEY
    return QByteArray::fromHex(DRIMO_UPDATE_PUBLIC_KEY);
#else
    return {};
#endif
}

bool CodeSigningDesktop::isSameSigner(const QString& bundlePath)
{
    if (isAdHocSigned())
        return false;
    const auto signature
        = RegularFile::bytes(bundlePath + u'/' + BundleManifest::signatureName, signatureBytes);
    const auto manifest
        = RegularFile::bytes(bundlePath + u'/' + BundleManifest::manifestName, maximumManifestBytes);
    if (!signature || signature->size() != signatureBytes || !manifest
        || !verify(m_publicKey, *manifest, *signature))
        return false;
    // The signature vouches for the list; the files must be exactly the list, none missing or added.
    return BundleManifest::build(bundlePath) == *manifest;
}
