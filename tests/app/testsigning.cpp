// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsigning.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace TestSigning {

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
    const QString keyPath =
        key == Key::Test ? privateKeyPath() : QStringLiteral(CORVANE_TEST_OTHER_KEY);
    return runOpenssl({"dgst", "-sha256", "-sign", keyPath, "-out", signaturePath, dataPath});
}

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
