// SPDX-License-Identifier: GPL-3.0-or-later
// Beside this test lie "splash/splash_1.png" (a 96 x 48 magenta picture) and
// its signature, made at build time with the build's key; the configuration
// with its own signature lies there too.
#include "besideexecutable.h"
#include "splashimage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

QByteArray readBeside(const QString &name)
{
    QFile file(besideExecutable(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray flipped(QByteArray bytes, int index)
{
    bytes[index] = char(bytes[index] ^ 0x01);
    return bytes;
}

bool isTestPicture(const QPixmap &pixmap)
{
    return pixmap.size() == QSize(96, 48) && pixmap.toImage().pixelColor(10, 10) == QColor(255, 0, 255);
}

QImage builtIn(int index)
{
    return QPixmap(SplashImage::builtInName(index)).toImage();
}

} // namespace

class SplashImageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void picturesBesideTheProgram();
    void signedFile_data();
    void signedFile();
    void pictureIsOpenedOnce();

private:
    QByteArray m_picture;
    QByteArray m_signature;
};

void SplashImageTest::initTestCase()
{
    m_picture = readBeside(QStringLiteral("splash/splash_1.png"));
    m_signature = readBeside(QStringLiteral("splash/splash_1.png.sig"));
    QVERIFY(!m_picture.isEmpty());
    QVERIFY(!m_signature.isEmpty());
    for (int index = 0; index < SplashImage::Count; ++index)
        QVERIFY(!builtIn(index).isNull());
}

// Only picture 1 has an external file; the others come from the resources,
// and the files are found beside the program whatever the working directory.
void SplashImageTest::picturesBesideTheProgram()
{
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    QCOMPARE(SplashImage::pixmap(0).toImage(), builtIn(0));
    QVERIFY(isTestPicture(SplashImage::pixmap(1)));
    QCOMPARE(SplashImage::pixmap(2).toImage(), builtIn(2));
}

void SplashImageTest::signedFile_data()
{
    const QByteArray config = readBeside(QStringLiteral("cv2global.conf"));
    const QByteArray configSignature = readBeside(QStringLiteral("cv2global.conf.sig"));
    QVERIFY(!config.isEmpty() && !configSignature.isEmpty());

    QTest::addColumn<QByteArray>("picture");     // null: no file
    QTest::addColumn<QByteArray>("signature");   // null: no file
    QTest::addColumn<bool>("shown");
    QTest::newRow("signed") << m_picture << m_signature << true;
    QTest::newRow("one picture byte changed") << flipped(m_picture, 40) << m_signature << false;
    QTest::newRow("one signature byte changed") << m_picture << flipped(m_signature, 20) << false;
    QTest::newRow("signature of another file") << m_picture << configSignature << false;
    QTest::newRow("empty signature") << m_picture << QByteArray("") << false;
    QTest::newRow("no signature file") << m_picture << QByteArray() << false;
    QTest::newRow("no picture file") << QByteArray() << m_signature << false;
    QTest::newRow("signature file of 5120 bytes")
        << m_picture << m_signature + QByteArray(5120 - m_signature.size(), '\0') << false;
    QTest::newRow("signed, but not a picture") << config << configSignature << false;
}

void SplashImageTest::signedFile()
{
    QFETCH(QByteArray, picture);
    QFETCH(QByteArray, signature);
    QFETCH(bool, shown);
    QTemporaryDir dir;
    const QString pictureFile = dir.filePath(QStringLiteral("splash.png"));
    const QString signatureFile = pictureFile + QStringLiteral(".sig");
    if (!picture.isNull())
        QVERIFY(writeFile(pictureFile, picture));
    if (!signature.isNull())
        QVERIFY(writeFile(signatureFile, signature));

    const auto pixmap = SplashImage::fromSignedFile(pictureFile, signatureFile);
    QCOMPARE(pixmap.has_value(), shown);
    if (shown)
        QVERIFY(isTestPicture(*pixmap));
}

// Checking one copy of the file and showing another is impossible only when
// the picture is opened once: count the opens with inotify.
void SplashImageTest::pictureIsOpenedOnce()
{
#ifndef Q_OS_LINUX
    QSKIP("counts the opens with inotify, which is Linux's");
#else
    QTemporaryDir dir;
    const QString pictureFile = dir.filePath(QStringLiteral("splash.png"));
    QVERIFY(writeFile(pictureFile, m_picture));
    QVERIFY(writeFile(pictureFile + QStringLiteral(".sig"), m_signature));
    const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watcher >= 0);
    QVERIFY(inotify_add_watch(watcher, QFile::encodeName(pictureFile).constData(), IN_OPEN) >= 0);

    const auto pixmap = SplashImage::fromSignedFile(pictureFile, pictureFile + QStringLiteral(".sig"));

    int opens = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = ::read(watcher, buffer, sizeof buffer)) > 0;) {
        for (char *at = buffer; at < buffer + got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(at);
            opens += (event->mask & IN_OPEN) ? 1 : 0;
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watcher);
    QVERIFY(pixmap.has_value());
    QVERIFY(isTestPicture(*pixmap));
    QCOMPARE(opens, 1);
#endif
}

QTEST_MAIN(SplashImageTest)
#include "tst_splashimage.moc"
