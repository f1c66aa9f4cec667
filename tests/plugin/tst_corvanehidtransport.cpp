// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidtransport.h"
#include "corvanesim.h"

#include <QElapsedTimer>
#include <QTest>

#include <functional>

using CorvaneSim::Bus;

namespace {

// Runs before every send of the code under test; linked in with --wrap so a
// fault can be injected between the reports of one block.
std::function<void()> beforeSend;

QByteArray pattern(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i + 1);
    return bytes;
}

} // namespace

extern "C" int __real_hid_send_feature_report(hid_device *dev, const unsigned char *data, size_t length);

extern "C" int __wrap_hid_send_feature_report(hid_device *dev, const unsigned char *data, size_t length)
{
    if (beforeSend)
        beforeSend();
    return __real_hid_send_feature_report(dev, data, length);
}

class TestCorvaneHIDTransport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writeFeatureBlock_data();
    void writeFeatureBlock();
    void writeFeatureBlockPacing();

private:
    QString path;
    hid_device *device = nullptr;
};

void TestCorvaneHIDTransport::init()
{
    Bus::instance().reset();
    path = QStringLiteral("sim:%1:0").arg(Bus::instance().plug(CorvaneSim::ControllerConfig()));
    device = hid_open_path(path.toLatin1().constData());
    QVERIFY(device);
    Bus::instance().clearLog();
}

void TestCorvaneHIDTransport::cleanup()
{
    beforeSend = nullptr;
    hid_close(device);
    device = nullptr;
}

void TestCorvaneHIDTransport::writeFeatureBlock_data()
{
    QTest::addColumn<int>("firstId");
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("failingReport");   // -1: none
    QTest::addColumn<bool>("result");

    QTest::newRow("CH1 block") << 16 << pattern(256) << -1 << true;
    QTest::newRow("CH2 block") << 32 << pattern(256) << -1 << true;
    QTest::newRow("CH3 block") << 48 << pattern(256) << -1 << true;
    QTest::newRow("second report fails") << 32 << pattern(256) << 1 << false;
    QTest::newRow("last report fails") << 16 << pattern(256) << 3 << false;
    QTest::newRow("short block zero-padded") << 16 << pattern(100) << -1 << true;
    QTest::newRow("empty block") << 48 << QByteArray() << -1 << true;
}

void TestCorvaneHIDTransport::writeFeatureBlock()
{
    QFETCH(int, firstId);
    QFETCH(QByteArray, block);
    QFETCH(int, failingReport);

    int sends = 0;
    beforeSend = [&] {
        if (sends++ == failingReport)
            Bus::instance().injectFault(path, CorvaneSim::Fault::Send);
    };
    QTEST(::writeFeatureBlock(device, quint8(firstId), block), "result");

    // The failed report is the block's last.
    const QVector<CorvaneSim::LogEntry> log = Bus::instance().log();
    QCOMPARE(log.size(), failingReport < 0 ? 4 : failingReport + 1);
    const QByteArray whole = block + QByteArray(256 - block.size(), '\0');
    for (int i = 0; i < log.size(); ++i) {
        QCOMPARE(log.at(i).path, path);
        QCOMPARE(log.at(i).op, QLatin1String(i == failingReport ? "send-failed" : "send"));
        QCOMPARE(log.at(i).buffer.size(), CorvaneReportSize);
        QCOMPARE(int(quint8(log.at(i).buffer.at(0))), firstId + i);
        QCOMPARE(log.at(i).buffer.mid(1), whole.mid(64 * i, 64));
    }
}

void TestCorvaneHIDTransport::writeFeatureBlockPacing()
{
    QElapsedTimer clock;
    clock.start();
    QVERIFY(::writeFeatureBlock(device, 16, pattern(256)));
    // A pause follows every report, the last one included.
    QVERIFY(clock.elapsed() >= 40);

    const QVector<CorvaneSim::LogEntry> log = Bus::instance().log();
    QCOMPARE(log.size(), 4);
    for (int i = 1; i < 4; ++i)
        QVERIFY2(log.at(i).ms - log.at(i - 1).ms >= 10, qPrintable(log.at(i).toLine()));
}

QTEST_GUILESS_MAIN(TestCorvaneHIDTransport)
#include "tst_corvanehidtransport.moc"
