// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindowcoprocessor.h"

#include "besideexecutable.h"
#include "msgpack.h"
#include "signature.h"

#include <QFile>

namespace {

bool readSmallerThan(const QString& name, qint64 limit, QByteArray& contents)
{
    QFile file(besideExecutable(name));
    if (!file.open(QIODevice::ReadOnly) || file.size() >= limit)
        return false;
    // Bounded even if the file grows after the size check.
    contents = file.read(limit - 1);
    return true;
}

} // namespace

MainWindowCoProcessor::MainWindowCoProcessor(QObject* parent)
    : QObject(parent)
{
}

void MainWindowCoProcessor::loadDeviceGlobalConfig()
{
    QByteArray contents;
    if (!readSmallerThan(QStringLiteral("cv2global.conf"), maxConfigSize, contents)) {
        emit initGlobalConfig(QVariant(), false);
        return;
    }
    QByteArray signature;
    const bool verified =
        readSmallerThan(QStringLiteral("cv2global.conf.sig"), maxSignatureSize, signature)
        && verifySignature(contents, signature);
    // The worker checks once; what OpenSSL keeps for it must not outlive it.
    releaseSignatureThreadState();
    // Bytes nobody vouched for never reach the decoder.
    emit initGlobalConfig(verified ? MsgPack::unpack(contents) : QVariant(), verified);
}
