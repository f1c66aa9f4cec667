// SPDX-License-Identifier: GPL-3.0-or-later
// One signature check of the default configuration, as the program makes it
// at start (files streamed from disk) and on contents already in memory.
#include "signature.h"

#include <QFile>
#include <QTest>

class BenchSignature : public QObject
{
    Q_OBJECT

private slots:
    void checkFiles();
    void checkInMemory();
};

namespace {

const QString ConfigPath = QStringLiteral(CORVANE_BUILD_DIR "/cv2global.conf");
const QString SignaturePath = QStringLiteral(CORVANE_BUILD_DIR "/cv2global.conf.sig");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void BenchSignature::checkFiles()
{
    bool verified = false;
    QBENCHMARK {
        verified = verifyFileSignature(ConfigPath, SignaturePath);
    }
    QVERIFY(verified);
}

void BenchSignature::checkInMemory()
{
    const QByteArray data = contents(ConfigPath);
    const QByteArray signature = contents(SignaturePath);
    bool verified = false;
    QBENCHMARK {
        verified = verifySignature(data, signature);
    }
    QVERIFY(verified);
}

QTEST_GUILESS_MAIN(BenchSignature)
#include "bench_signature.moc"
