// SPDX-License-Identifier: GPL-3.0-or-later
// What the device layer does under load and with a controller that fails:
// the owning thread's event loop never waits on the controller, requests are
// bounded by meaning, Save is paced, a failing controller is let go by time
// and a busy one is taken once free.
#include "corvanecontrollerlock.h"
#include "corvanehiddevice.h"
#include "corvanehiddriver.h"
#include "hotplugtestkit.h"
#include "msgpackbuilder.h"
#include "shorttiming.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

using CorvaneSim::Bus;
using namespace HotplugTestKit;
using namespace MsgPackBuilder;

namespace {

constexpr quint8 LedIntervalCode = 0x21;

/// The biggest gap between ticks of a 20 ms timer while it runs.
class StallMeter
{
public:
    StallMeter()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_biggestMs = std::max(m_biggestMs, m_clock.restart());
        });
        m_clock.start();
        m_timer.start(20);
    }
    qint64 biggestMs() const { return m_biggestMs; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_biggestMs = 0;
};

/// An LED law file whose interval names it.
QString writeLaw(const QTemporaryDir &dir, quint16 interval)
{
    CorvaneLEDLaw law;
    law.intervalTimeMS = interval;
    law.lawCount = 64;
    law.CH1.fill(char(interval));
    const QString path = dir.filePath(QStringLiteral("law%1.adl").arg(interval));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(document(lawEntries(law)));
    return path;
}

/// The intervals of the LED laws the controller was sent, oldest first.
QList<int> sentIntervals()
{
    QList<int> intervals;
    for (const CorvaneSim::LogEntry &entry : Bus::instance().log()) {
        // 06 A0 B0 lo B0 hi C0 21 ...
        if (entry.op == QLatin1String("send") && quint8(entry.buffer.at(0)) == 6
            && quint8(entry.buffer.at(7)) == LedIntervalCode)
            intervals << (quint8(entry.buffer.at(3)) | quint8(entry.buffer.at(5)) << 8);
    }
    return intervals;
}

} // namespace

class TestDriverWorkload : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void silentControllerNeverStallsTheLoop();
    void newestLedLawWins();
    void saveIsPaced();
    void stalledReadsAreLetGoWhileWritesGoThrough();
    void claimFreedBeforeTheResultIsRetried();

private:
    void startManager(const CorvaneHIDDriver::Timing &timing);
    CorvaneHIDDriver *openController(const QString &controller);
    void settle(CorvaneHIDDriver *driver);

    std::unique_ptr<CorvaneHIDDevice> manager;
};

void TestDriverWorkload::init()
{
    Bus::instance().reset();
    startManager(CorvaneHIDDriver::Timing());
}

void TestDriverWorkload::startManager(const CorvaneHIDDriver::Timing &timing)
{
    manager = std::make_unique<CorvaneHIDDevice>(timing);
    manager->addSupportedDeviceID(VendorId, ProductId);
}

void TestDriverWorkload::cleanup()
{
    manager.reset();
}

CorvaneHIDDriver *TestDriverWorkload::openController(const QString &controller)
{
    QSignalSpy opened(manager.get(), &CorvaneHIDDevice::supportedDeviceOpened);
    plug(controller);
    manager->tryConnectSupportedDevice();
    if (!QTest::qWaitFor([&opened] { return opened.count() == 1; }, 10000))
        return nullptr;
    return qobject_cast<CorvaneHIDDriver *>(opened.at(0).at(1).value<QObject *>());
}

void TestDriverWorkload::settle(CorvaneHIDDriver *driver)
{
    bool settled = false;
    driver->whenSettled([&settled] { settled = true; });
    QVERIFY(QTest::qWaitFor([&settled] { return settled; }, 30000));
}

// Each exchange with the silent controller hangs for a second, as the
// kernel's USB timeout (5 s) makes it hang; the loop goes on meanwhile.
void TestDriverWorkload::silentControllerNeverStallsTheLoop()
{
    CorvaneHIDDriver *driver = openController(QStringLiteral("v2000"));
    QVERIFY(driver);
    Bus::instance().setSilentDelayMs(1000);
    QVERIFY(Bus::instance().injectFault(simPath(1), CorvaneSim::Fault::Silent));
    QTemporaryDir dir;
    const QString law = writeLaw(dir, 100);

    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; clock.elapsed() < 1500; ++round) {
        driver->enableFan0(round % 100);
        driver->enableAutoRunFan(round % 2);
        driver->sendLEDLawFile(law);
        driver->saveConfiguration();
        QTest::qWait(20);
    }
    QVERIFY2(meter.biggestMs() < 250, qPrintable(QString::number(meter.biggestMs())));

    // A controller pulled fails at once: the queue runs out behind the exchange under way.
    Bus::instance().unplug(1);
    settle(driver);
}

void TestDriverWorkload::newestLedLawWins()
{
    CorvaneHIDDriver *driver = openController(QStringLiteral("v2000"));
    QVERIFY(driver);
    QTemporaryDir dir;
    QStringList laws;
    for (quint16 interval = 101; interval <= 120; ++interval)
        laws << writeLaw(dir, interval);
    Bus::instance().clearLog();

    for (const QString &law : qAsConst(laws))
        driver->sendLEDLawFile(law);
    settle(driver);

    // The one that had started when the rest came, if any, and the newest.
    const QList<int> sent = sentIntervals();
    QVERIFY2(!sent.isEmpty() && sent.size() <= 2, qPrintable(QString::number(sent.size())));
    QCOMPARE(sent.last(), 120);
    QCOMPARE(int(quint8(Bus::instance().state(1)->live.blocks[0].at(0))), 120);
}

void TestDriverWorkload::saveIsPaced()
{
    const CorvaneHIDDriver::Timing timing = shortTiming();
    startManager(timing);
    CorvaneHIDDriver *driver = openController(QStringLiteral("v2000"));
    QVERIFY(driver);
    for (int i = 0; i < 5; ++i)
        driver->saveConfiguration();
    QTRY_COMPARE(Bus::instance().state(1)->saveCount, 1);
    for (int i = 0; i < 5; ++i)
        driver->saveConfiguration();
    QTRY_COMPARE_WITH_TIMEOUT(Bus::instance().state(1)->saveCount, 2, 10000);

    QList<qint64> savedAtMs;
    for (const CorvaneSim::LogEntry &entry : Bus::instance().log()) {
        if (entry.op == QLatin1String("send") && entry.buffer.toHex().startsWith("06a0c030a1"))
            savedAtMs << entry.ms;
    }
    QCOMPARE(savedAtMs.size(), 2);
    const qint64 apartMs = savedAtMs.at(1) - savedAtMs.at(0);
    QVERIFY2(apartMs >= timing.saveInterval.count() * 98 / 100, qPrintable(QString::number(apartMs)));
}

// One command that goes through used to forgive every failed read before it.
void TestDriverWorkload::stalledReadsAreLetGoWhileWritesGoThrough()
{
    startManager(shortTiming());
    QSignalSpy closed(manager.get(), &CorvaneHIDDevice::supportedDeviceClosed);
    CorvaneHIDDriver *driver = openController(QStringLiteral("v2000"));
    QVERIFY(driver);
    QVERIFY(Bus::instance().injectFault(simPath(1), CorvaneSim::Fault::Get, 1000));
    QTimer writes;
    connect(&writes, &QTimer::timeout, driver, [driver] { driver->enableFan1(40); });
    writes.start(50);

    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, 30000);
    QVERIFY(!Bus::instance().log().isEmpty());
    int taken = 0;
    for (const CorvaneSim::LogEntry &entry : Bus::instance().log())
        taken += entry.op == QLatin1String("send");
    QVERIFY(taken > 3);
}

// The claim is let go after the open found it taken and before the manager
// heard so: the manager still tries again.
void TestDriverWorkload::claimFreedBeforeTheResultIsRetried()
{
    QSignalSpy opened(manager.get(), &CorvaneHIDDevice::supportedDeviceOpened);
    plug(QStringLiteral("v2000"));
    auto other = std::make_unique<CorvaneControllerLock>(simPath(1));
    QVERIFY(other->tryLock());

    manager->tryConnectSupportedDevice();
    // The I/O thread finds the claim taken while this thread does not listen.
    QThread::msleep(300);
    other.reset();

    QTRY_COMPARE_WITH_TIMEOUT(opened.count(), 1, 10000);
}

QTEST_MAIN(TestDriverWorkload)
#include "tst_driverworkload.moc"
