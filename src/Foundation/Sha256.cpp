#include "Foundation/Sha256.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <vector>

#include <cerrno>

#include <unistd.h>

struct Sha256::Context {
    EVP_MD_CTX* ctx = nullptr;
};

Sha256::Sha256()
    : m_context(std::make_unique<Context>())
{
    m_context->ctx = EVP_MD_CTX_new();
    if (!m_context->ctx || EVP_DigestInit_ex(m_context->ctx, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is unavailable");
}

Sha256::~Sha256()
{
    EVP_MD_CTX_free(m_context->ctx);
}

void Sha256::update(QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        EVP_DigestUpdate(m_context->ctx, bytes.data(), static_cast<size_t>(bytes.size()));
}

QByteArray Sha256::finish()
{
    QByteArray out(32, '\0');
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context->ctx, reinterpret_cast<unsigned char*>(out.data()), &length);
    return out;
}

QByteArray Sha256::digest(QByteArrayView bytes)
{
    Sha256 hash;
    hash.update(bytes);
    return hash.finish();
}

QByteArray Sha256::hexDigest(QByteArrayView bytes)
{
    return digest(bytes).toHex();
}

std::optional<QByteArray> Sha256::hexDigestOfFile(int fd)
{
    Sha256 hash;
    std::vector<char> buffer(1024 * 1024);
    for (;;) {
        const auto n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        hash.update(QByteArrayView(buffer.data(), n));
    }
    return hash.finish().toHex();
}
