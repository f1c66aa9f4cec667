// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsigning.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#ifdef Q_OS_WIN
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>
#endif

namespace TestSigning {

namespace {

QString keyPathOf(Key key)
{
    return key == Key::Test ? privateKeyPath() : QStringLiteral(CORVANE_TEST_OTHER_KEY);
}

#ifdef Q_OS_WIN
QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What `openssl dgst -sha256 -sign` writes: the DER signature of the SHA-256 digest.
QByteArray signedWith(const QByteArray& privateKeyPem, const QByteArray& data)
{
    const std::unique_ptr<BIO, decltype(&BIO_free)> pem(BIO_new_mem_buf(privateKeyPem.constData(), privateKeyPem.size()),
                                                       &BIO_free);
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        pem ? PEM_read_bio_PrivateKey(pem.get(), nullptr, nullptr, nullptr) : nullptr, &EVP_PKEY_free);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    size_t size = 0;
    if (!key || !context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1
        || EVP_DigestSign(context.get(), nullptr, &size, nullptr, 0) != 1) {
        return {};
    }
    QByteArray signature(int(size), '\0');
    if (EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                       reinterpret_cast<const unsigned char*>(data.constData()), size_t(data.size()))
        != 1) {
        return {};
    }
    signature.resize(int(size));
    return signature;
}
#endif

} // namespace

#ifdef Q_OS_WIN
// A Windows program cannot start the build machine's openssl: libcrypto signs
// in this process as the command line does.
bool signFile(const QString& dataPath, const QString& signaturePath, Key key)
{
    QFile data(dataPath);
    if (!data.open(QIODevice::ReadOnly))
        return false;
    const QByteArray signature = signedWith(readAll(keyPathOf(key)), data.readAll());
    QFile out(signaturePath);
    return !signature.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(signature) == signature.size();
}
#else
bool runOpenssl(const QStringList& arguments, QByteArray* output)
{
    QProcess openssl;
    openssl.start(QStringLiteral(CORVANE_OPENSSL_PROGRAM), arguments);
    if (!openssl.waitForFinished(60000))
        return false;
    if (output)
        *output = openssl.readAllStandardOutput();
    return openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

bool signFile(const QString& dataPath, const QString& signaturePath, Key key)
{
    return runOpenssl({"dgst", "-sha256", "-sign", keyPathOf(key), "-out", signaturePath, dataPath});
}
#endif

QByteArray sign(const QByteArray& data, Key key)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("data")));
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    file.close();
    const QString signaturePath = dir.filePath(QStringLiteral("data.sig"));
    QFile signature(signaturePath);
    if (!signFile(file.fileName(), signaturePath, key) || !signature.open(QIODevice::ReadOnly))
        return {};
    return signature.readAll();
}

QString publicKeyPath()
{
    return QStringLiteral(CORVANE_TEST_PUBLIC_KEY);
}

QString privateKeyPath()
{
    return QStringLiteral(CORVANE_TEST_PRIVATE_KEY);
}

} // namespace TestSigning
