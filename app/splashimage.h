// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <optional>

/**
 * The pictures of the start-up splash. Picture N (0 to 2) is taken from
 * "splash/splash_N.png" beside the program when "splash/splash_N.png.sig"
 * verifies it, and from the built-in ":/ui/res/splash/splash_N.png" otherwise.
 *
 * An external picture is read exactly once: the bytes whose signature was
 * checked are the bytes that are shown, so a file replaced after the check
 * can never reach the screen.
 */
class SplashImage final
{
public:
    static constexpr int Count = 3;
    /// External pictures above this size are not read (the built-in ones are below 1 MiB).
    static constexpr qint64 MaxImageSize = 16 * 1024 * 1024;
    /// Signature files of this size or more are not read.
    static constexpr qint64 MaxSignatureSize = 5120;

    /// The picture to show as number @p index (0 to Count - 1).
    static QPixmap pixmap(int index);
    /**
     * The same picture as an image, which unlike a pixmap may be made on any
     * thread (the program's directory must have been asked for once on the
     * GUI thread before, as pixmap() does).
     */
    static QImage image(int index);

    /**
     * The picture in @p imageFile when @p signatureFile holds a valid
     * signature of exactly the bytes read; nothing when a file is missing,
     * too large, not signed or not a picture. Relative names are taken
     * beside the program.
     */
    static std::optional<QPixmap> fromSignedFile(const QString &imageFile, const QString &signatureFile);

    static QString externalName(int index);
    static QString builtInName(int index);

private:
    static std::optional<QImage> imageFromSignedFile(const QString &imageFile, const QString &signatureFile);
    static std::optional<QByteArray> readAtMost(const QString &file, qint64 limit);
};
