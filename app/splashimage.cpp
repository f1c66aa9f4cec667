// SPDX-License-Identifier: GPL-3.0-or-later
#include "splashimage.h"

#include "besideexecutable.h"
#include "signature.h"

#include <QFile>

#include <algorithm>

QImage SplashImage::image(int index)
{
    const QString external = externalName(index);
    if (auto signedPicture = imageFromSignedFile(external, external + QLatin1String(".sig")))
        return *std::move(signedPicture);
    return QImage(builtInName(index));
}

QPixmap SplashImage::pixmap(int index)
{
    return QPixmap::fromImage(image(index));
}

std::optional<QPixmap> SplashImage::fromSignedFile(const QString &imageFile, const QString &signatureFile)
{
    const auto picture = imageFromSignedFile(imageFile, signatureFile);
    if (!picture)
        return std::nullopt;
    return QPixmap::fromImage(*picture);
}

std::optional<QImage> SplashImage::imageFromSignedFile(const QString &imageFile, const QString &signatureFile)
{
    const auto signature = readAtMost(signatureFile, MaxSignatureSize - 1);
    if (!signature)
        return std::nullopt;
    const auto bytes = readAtMost(imageFile, MaxImageSize);
    if (!bytes || !verifySignature(*bytes, *signature))
        return std::nullopt;
    QImage picture;
    if (!picture.loadFromData(*bytes))
        return std::nullopt;
    return picture;
}

QString SplashImage::externalName(int index)
{
    return QStringLiteral("splash/splash_%1.png").arg(index);
}

QString SplashImage::builtInName(int index)
{
    return QStringLiteral(":/ui/res/splash/splash_%1.png").arg(index);
}

// Reads in chunks and stops one byte past the limit, so an oversized file is
// refused without being held whole, whatever kind of file it is.
std::optional<QByteArray> SplashImage::readAtMost(const QString &file, qint64 limit)
{
    constexpr qint64 ChunkSize = 64 * 1024;
    QFile in(besideExecutable(file));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes;
    while (bytes.size() <= limit) {
        const QByteArray chunk = in.read(std::min(ChunkSize, limit + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (bytes.size() > limit || in.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}
