// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature.h"

#include "besideexecutable.h"

#include <QFile>

#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

namespace {

constexpr qint64 kMaxSignatureFileSize = 5120;
constexpr qint64 kChunkSize = 4096;

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

// The libcrypto objects of one check. Members are destroyed in reverse
// order: the BIO first, then the digest context, then the key.
class Verification final
{
public:
    bool begin(const QByteArray& publicKey)
    {
        m_bio.reset(BIO_new_mem_buf(publicKey.constData(), publicKey.size()));
        if (!m_bio)
            return false;
        m_key.reset(PEM_read_bio_PUBKEY(m_bio.get(), nullptr, nullptr, nullptr));
        if (!m_key)
            return false;
        m_ctx.reset(EVP_MD_CTX_new());
        return m_ctx
            && EVP_DigestVerifyInit(m_ctx.get(), nullptr, EVP_sha256(), nullptr, m_key.get()) == 1;
    }

    bool update(const char* data, qint64 size)
    {
        return EVP_DigestUpdate(m_ctx.get(), data, size_t(size)) == 1;
    }

    bool finish(const QByteArray& signature)
    {
        return EVP_DigestVerifyFinal(m_ctx.get(),
                                     reinterpret_cast<const unsigned char*>(signature.constData()),
                                     size_t(signature.size()))
            == 1;
    }

private:
    std::unique_ptr<EVP_PKEY, PkeyFree> m_key;
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> m_ctx;
    std::unique_ptr<BIO, BioFree> m_bio;
};

QByteArray readPublicKey()
{
    QFile key(QStringLiteral("://res/cert/cv2_dsa_public.pem"));
    if (!key.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return key.readAll();
}

bool readSignatureFile(const QString& path, QByteArray& signature)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() >= kMaxSignatureFileSize)
        return false;
    // Bounded even if the file grows after the size check.
    signature = file.read(kMaxSignatureFileSize - 1);
    return true;
}

bool feedFile(Verification& verification, QFile& data)
{
    char chunk[kChunkSize];
    qint64 n;
    while ((n = data.read(chunk, kChunkSize)) > 0) {
        if (!verification.update(chunk, n))
            return false;
    }
    return n == 0;
}

} // namespace

bool verifyFileSignature(const QString& dataFile, const QString& signatureFile)
{
    const QByteArray publicKey = readPublicKey();
    QByteArray signature;
    if (!readSignatureFile(besideExecutable(signatureFile), signature))
        return false;
    QFile data(besideExecutable(dataFile));
    if (!data.open(QIODevice::ReadOnly))
        return false;
    Verification verification;
    return verification.begin(publicKey) && feedFile(verification, data)
        && verification.finish(signature);
}

bool verifySignature(const QByteArray& data, const QByteArray& signature)
{
    Verification verification;
    return verification.begin(readPublicKey()) && verification.update(data.constData(), data.size())
        && verification.finish(signature);
}

void releaseSignatureThreadState()
{
    OPENSSL_thread_stop();
}
