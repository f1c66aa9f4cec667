// SPDX-License-Identifier: GPL-3.0-or-later
// The signature check with arbitrary data and signature bytes. The input is a
// length byte n, n signature bytes (fewer when the input ends), then the
// data. The check in memory and the check of the same bytes as files must
// agree: the files take the streaming path the program uses.
#include "quietlogging.h"
#include "signature.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

QString dataPath;
QString signaturePath;

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    silenceLogging();
    // Both live until exit: the check resolves file names against the application.
    static auto *application = new QCoreApplication(*argc, *argv);
    static auto *directory = new QTemporaryDir;
    Q_UNUSED(application);
    dataPath = directory->filePath(QStringLiteral("data"));
    signaturePath = directory->filePath(QStringLiteral("data.sig"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const size_t signatureSize = size ? std::min<size_t>(data[0], size - 1) : 0;
    const size_t dataStart = std::min<size_t>(size, 1 + signatureSize);
    const QByteArray signature(bytes + std::min<size_t>(size, 1), int(signatureSize));
    const QByteArray payload(bytes + dataStart, int(size - dataStart));

    const bool inMemory = verifySignature(payload, signature);
    writeFile(dataPath, payload);
    writeFile(signaturePath, signature);
    if (verifyFileSignature(dataPath, signaturePath) != inMemory)
        __builtin_trap();
    return 0;
}
