// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindowcoprocessor.h"
#include "msgpack.h"
#include "testsigning.h"

#include <QtTest>

namespace {

enum class Signature { Valid, Missing, Oversized };

// One MessagePack map {"pad": <bin 32>} of exactly @p size bytes.
QByteArray paddedDocument(int size)
{
    const QByteArray header = QByteArray::fromHex("81a3706164c6");
    const int padding = size - header.size() - 4;
    QByteArray document = header;
    for (int shift = 24; shift >= 0; shift -= 8)
        document.append(char((padding >> shift) & 0xff));
    return document + QByteArray(padding, '\x5a');
}

QString besideTest(const QString& name)
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

Q_DECLARE_METATYPE(Signature)

// Stands in for the main window: connected by the same signature strings,
// living on the test's (GUI) thread.
class ConfigReceiver final : public QObject
{
    Q_OBJECT

public:
    int count = 0;
    QVariant conf;
    bool isVerified = false;
    QThread* thread = nullptr;

public slots:
    void on_coprocessor_initGlobalConfig(QVariant receivedConf, bool receivedIsVerified)
    {
        ++count;
        conf = receivedConf;
        isVerified = receivedIsVerified;
        thread = QThread::currentThread();
    }
};

class TestMainWindowCoProcessor final : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void metaObjectOrder();
    void load_data();
    void load();
};

void TestMainWindowCoProcessor::init()
{
    cleanup();
}

void TestMainWindowCoProcessor::cleanup()
{
    QFile::remove(besideTest(QStringLiteral("cv2global.conf")));
    QFile::remove(besideTest(QStringLiteral("cv2global.conf.sig")));
}

void TestMainWindowCoProcessor::metaObjectOrder()
{
    const QMetaObject& meta = MainWindowCoProcessor::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(methods, QStringList({"initGlobalConfig(QVariant,bool)", "loadDeviceGlobalConfig()"}));
}

void TestMainWindowCoProcessor::load_data()
{
    QTest::addColumn<QByteArray>("conf");
    QTest::addColumn<Signature>("signature");
    QTest::addColumn<int>("tamperAt");
    QTest::addColumn<bool>("verified");

    QFile fixture(QFINDTESTDATA("data/msgpack/config.msgpack"));
    QVERIFY(fixture.open(QIODevice::ReadOnly));
    const QByteArray config = fixture.readAll();
    const int limit = int(MainWindowCoProcessor::maxConfigSize);

    QTest::newRow("valid") << config << Signature::Valid << -1 << true;
    QTest::newRow("largest allowed") << paddedDocument(limit - 1) << Signature::Valid << -1 << true;
    QTest::newRow("1 MiB exactly") << paddedDocument(limit) << Signature::Valid << -1 << false;
    QTest::newRow("no configuration") << QByteArray() << Signature::Valid << -1 << false;
    QTest::newRow("no signature") << config << Signature::Missing << -1 << false;
    QTest::newRow("signature of 512 KiB") << config << Signature::Oversized << -1 << false;
    // Which changed bytes a signature catches is the signature suite's; this
    // row shows that what is decoded is what was verified.
    QTest::newRow("configuration byte changed") << config << Signature::Valid << 7 << false;
    QTest::newRow("signed, but not MessagePack")
        << QByteArray::fromHex("a5ab") << Signature::Valid << -1 << true;
}

void TestMainWindowCoProcessor::load()
{
    QFETCH(QByteArray, conf);
    QFETCH(Signature, signature);
    QFETCH(int, tamperAt);
    QFETCH(bool, verified);

    QByteArray signatureBytes = TestSigning::sign(conf);
    QVERIFY(!signatureBytes.isEmpty());
    if (signature == Signature::Oversized)
        signatureBytes.append(QByteArray(int(MainWindowCoProcessor::maxSignatureSize) - signatureBytes.size(), '\0'));
    if (signature != Signature::Missing)
        QVERIFY(writeFile(besideTest("cv2global.conf.sig"), signatureBytes));
    if (tamperAt >= 0)
        conf[tamperAt] = char(conf.at(tamperAt) ^ 0x01);
    if (!conf.isEmpty())
        QVERIFY(writeFile(besideTest("cv2global.conf"), conf));

    QThread worker;
    auto* coprocessor = new MainWindowCoProcessor;
    coprocessor->setObjectName(QStringLiteral("coprocessor"));
    coprocessor->moveToThread(&worker);
    worker.start();
    ConfigReceiver receiver;
    QVERIFY(QObject::connect(coprocessor, SIGNAL(initGlobalConfig(QVariant, bool)), &receiver,
                             SLOT(on_coprocessor_initGlobalConfig(QVariant, bool))));
    QVERIFY(QMetaObject::invokeMethod(coprocessor, "loadDeviceGlobalConfig", Qt::QueuedConnection));

    QTRY_COMPARE_WITH_TIMEOUT(receiver.count, 1, 20000);
    QTest::qWait(100);
    worker.quit();
    QVERIFY(worker.wait(20000));
    delete coprocessor;

    QCOMPARE(receiver.count, 1);
    QCOMPARE(receiver.thread, QThread::currentThread());
    QCOMPARE(receiver.isVerified, verified);
    // What was not verified is never decoded.
    QCOMPARE(receiver.conf, verified ? MsgPack::unpack(conf) : QVariant());
}

QTEST_GUILESS_MAIN(TestMainWindowCoProcessor)
#include "tst_mainwindowcoprocessor.moc"
