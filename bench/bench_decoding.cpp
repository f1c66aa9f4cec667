// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding what the program reads at start and on every LED choice: the
// default configuration and the shipped LED laws, from memory.
#include "corvaneledlawreader.h"
#include "msgpack.h"

#include <QDir>
#include <QFile>
#include <QTest>

class BenchDecoding : public QObject
{
    Q_OBJECT

private slots:
    void defaultConfiguration();
    void allLedLaws();
};

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void BenchDecoding::defaultConfiguration()
{
    const QByteArray packed = contents(QStringLiteral(CORVANE_BUILD_DIR "/cv2global.conf"));
    QVERIFY(!packed.isEmpty());
    QVariant document;
    QBENCHMARK {
        document = MsgPack::unpack(packed);
    }
    QCOMPARE(document.userType(), int(QMetaType::QVariantMap));
}

void BenchDecoding::allLedLaws()
{
    const QDir laws(QStringLiteral(":/res/ledfiles"));
    QVector<QByteArray> files;
    for (const QString &name : laws.entryList({QStringLiteral("*.adl")}))
        files.append(contents(laws.filePath(name)));
    QCOMPARE(files.size(), 29);

    int decoded = 0;
    QBENCHMARK {
        decoded = 0;
        CorvaneLEDLaw law;
        for (const QByteArray &file : qAsConst(files))
            decoded += CorvaneLEDLawReader::read(file, &law) ? 1 : 0;
    }
    QCOMPARE(decoded, 29);
}

QTEST_GUILESS_MAIN(BenchDecoding)
#include "bench_decoding.moc"
