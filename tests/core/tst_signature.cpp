// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature.h"
#include "testsigning.h"

#include <QtTest>

using TestSigning::Key;

namespace {

QByteArray pattern(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char((i * 7 + 3) & 0xff);
    return data;
}

QByteArray flipped(QByteArray data, int index)
{
    data[index] = char(data.at(index) ^ 0x01);
    return data;
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

// The embedded key and every signature here come from the openssl command
// line; the verifier must agree with it both ways.
class TestSignature final : public QObject
{
    Q_OBJECT

private slots:
    void bothForms_data();
    void bothForms();
    void fileForm_data();
    void fileForm();
    void namesResolvedBesideTheExecutable();

private:
    QTemporaryDir m_dir;
};

void TestSignature::bothForms_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<bool>("valid");

    const QByteArray text("cv2global");
    const QByteArray big = pattern(100000);
    const QByteArray textSignature = TestSigning::sign(text);
    const QByteArray emptySignature = TestSigning::sign(QByteArray());
    QVERIFY(!textSignature.isEmpty() && !emptySignature.isEmpty());

    QTest::newRow("short") << text << textSignature << true;
    QTest::newRow("one chunk") << pattern(4096) << TestSigning::sign(pattern(4096)) << true;
    QTest::newRow("one chunk and a byte") << pattern(4097) << TestSigning::sign(pattern(4097)) << true;
    QTest::newRow("many chunks") << big << TestSigning::sign(big) << true;
    QTest::newRow("empty, signed empty") << QByteArray() << emptySignature << true;
    QTest::newRow("empty, signed other") << QByteArray() << textSignature << false;
    QTest::newRow("data, signed empty") << text << emptySignature << false;
    QTest::newRow("first byte changed") << flipped(text, 0) << textSignature << false;
    QTest::newRow("last byte of last chunk changed")
        << flipped(big, big.size() - 1) << TestSigning::sign(big) << false;
    QTest::newRow("signature byte changed") << text << flipped(textSignature, 20) << false;
    QTest::newRow("signature cut short") << text << textSignature.left(textSignature.size() - 1) << false;
    QTest::newRow("signature with a byte more") << text << textSignature + '\0' << false;
    QTest::newRow("empty signature") << text << QByteArray() << false;
    QTest::newRow("other key") << text << TestSigning::sign(text, Key::Other) << false;
}

void TestSignature::bothForms()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, signature);
    QFETCH(bool, valid);

    QCOMPARE(verifySignature(data, signature), valid);

    const QString dataPath = m_dir.filePath(QStringLiteral("data"));
    const QString signaturePath = dataPath + QStringLiteral(".sig");
    QVERIFY(writeFile(dataPath, data));
    QVERIFY(writeFile(signaturePath, signature));
    QCOMPARE(verifyFileSignature(dataPath, signaturePath), valid);
}

void TestSignature::fileForm_data()
{
    QTest::addColumn<bool>("hasData");
    QTest::addColumn<bool>("hasSignature");
    QTest::addColumn<int>("signatureSize");
    QTest::addColumn<bool>("valid");

    QTest::newRow("both present") << true << true << 0 << true;
    QTest::newRow("no signature file") << true << false << 0 << false;
    QTest::newRow("no data file") << false << true << 0 << false;
    QTest::newRow("signature file of 5120 bytes") << true << true << 5120 << false;
}

// signatureSize pads a valid signature with zeros to that size (0: unpadded).
void TestSignature::fileForm()
{
    QFETCH(bool, hasData);
    QFETCH(bool, hasSignature);
    QFETCH(int, signatureSize);
    QFETCH(bool, valid);

    const QByteArray data = pattern(5000);
    QByteArray signature = TestSigning::sign(data);
    QVERIFY(!signature.isEmpty());
    if (signatureSize > 0)
        signature.append(QByteArray(signatureSize - signature.size(), '\0'));

    QTemporaryDir dir;
    const QString dataPath = dir.filePath(QStringLiteral("splash_0.png"));
    const QString signaturePath = dataPath + QStringLiteral(".sig");
    QVERIFY(!hasData || writeFile(dataPath, data));
    QVERIFY(!hasSignature || writeFile(signaturePath, signature));
    QCOMPARE(verifyFileSignature(dataPath, signaturePath), valid);
}

void TestSignature::namesResolvedBesideTheExecutable()
{
    const QString name = QStringLiteral("tst_signature-beside.bin");
    const QDir beside(QCoreApplication::applicationDirPath());
    const QByteArray data = pattern(300);
    QVERIFY(writeFile(beside.filePath(name), data));
    QVERIFY(writeFile(beside.filePath(name + ".sig"), TestSigning::sign(data)));

    const bool verified = verifyFileSignature(name, name + ".sig");
    QFile::remove(beside.filePath(name));
    QFile::remove(beside.filePath(name + ".sig"));
    QVERIFY(verified);
}

QTEST_GUILESS_MAIN(TestSignature)
#include "tst_signature.moc"
