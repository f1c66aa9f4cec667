// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanecontrollerlock.h"
#include "corvanedevicenotificationwidget.h"
#include "corvanehiddevice.h"
#include "corvanehiddriver.h"
#include "hotplugtestkit.h"
#include "shorttiming.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#ifndef Q_OS_WIN
#include <sys/wait.h>
#include <unistd.h>
#endif

using CorvaneSim::Bus;
using namespace HotplugTestKit;

Q_DECLARE_METATYPE(CorvaneSim::Fault)

namespace {

constexpr quint32 SupportedId = quint32(VendorId) << 16 | ProductId;
constexpr quint32 OtherProductId = SupportedId + 1;

// On Windows the claim cannot tell who holds it.
bool isThisProcess(const QString &holder)
{
#ifdef Q_OS_WIN
    return !holder.isEmpty();
#else
    return holder == QStringLiteral("%1 (pid %2)")
                         .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                         .arg(QCoreApplication::applicationPid());
#endif
}

// Probes of report 1 on @p path among @p logged exchanges, answered or not.
int probeGetsOn(const QString &path, const QStringList &logged)
{
    return logged.filter(QRegularExpression(QStringLiteral("^%1 get(-failed)?:1$").arg(path))).size();
}

} // namespace

class TestCorvaneHIDDevice : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsIdleWithOneDriverPerProtocol();
    void arrivalOpensWithFirstAcceptingProtocol_data();
    void arrivalOpensWithFirstAcceptingProtocol();
    void arrivalIgnored_data();
    void arrivalIgnored();
    void removal_data();
    void removal();
    void secondControllerIgnoredWhileConnected();
    void replugReusesTheDriver_data();
    void replugReusesTheDriver();
    void tryConnectOpensFirstThatOpens_data();
    void tryConnectOpensFirstThatOpens();
    void tryConnectEmitsNothing_data();
    void tryConnectEmitsNothing();
    void nullMonitorKeepsTheEarlierOne();
    void monitorServesOneManager();
    void zeroIdsMatchNothing_data();
    void zeroIdsMatchNothing();
    void unansweringControllerIsLetGo_data();
    void unansweringControllerIsLetGo();
    void claimedControllerIsTakenOnceFree();
    void staleClaimIsTakenOver();

private:
    void startManager(const CorvaneHIDDriver::Timing &timing);
    /// Hot-plug wired as the program wires it, for the controller's id.
    void watch(CorvaneHIDDevice *target);
    int driverIndex(const QVariant &device) const;
    void addIds(const QList<quint32> &ids);

    std::unique_ptr<CorvaneDeviceNotificationWidget> widget;
    std::unique_ptr<CorvaneHIDDevice> manager;
    std::unique_ptr<QSignalSpy> opened;
    std::unique_ptr<QSignalSpy> closed;
};

void TestCorvaneHIDDevice::init()
{
    Bus::instance().reset();
    widget = std::make_unique<CorvaneDeviceNotificationWidget>();
    startManager(CorvaneHIDDriver::Timing());
}

void TestCorvaneHIDDevice::startManager(const CorvaneHIDDriver::Timing &timing)
{
    manager = std::make_unique<CorvaneHIDDevice>(timing);
    opened = std::make_unique<QSignalSpy>(manager.get(), &CorvaneHIDDevice::supportedDeviceOpened);
    closed = std::make_unique<QSignalSpy>(manager.get(), &CorvaneHIDDevice::supportedDeviceClosed);
}

void TestCorvaneHIDDevice::cleanup()
{
    opened.reset();
    closed.reset();
    manager.reset();
    widget.reset();
}

void TestCorvaneHIDDevice::watch(CorvaneHIDDevice *target)
{
    widget->registerDeviceNotification();
    target->setMonitorWidget(widget.get());
    target->addSupportedDeviceID(VendorId, ProductId);
}

int TestCorvaneHIDDevice::driverIndex(const QVariant &device) const
{
    return manager->drivers().indexOf(qobject_cast<CorvaneHIDDriver *>(device.value<QObject *>()));
}

void TestCorvaneHIDDevice::addIds(const QList<quint32> &ids)
{
    for (const quint32 id : ids)
        manager->addSupportedDeviceID(ushort(id >> 16), ushort(id));
}

void TestCorvaneHIDDevice::startsIdleWithOneDriverPerProtocol()
{
    QCOMPARE(manager->currentIndex(), -1);
    QVERIFY(manager->supportedIds().isEmpty());
    const char *const protocols[] = {"CorvaneHIDProtocolv1100", "CorvaneHIDProtocolv2000"};
    QCOMPARE(manager->drivers().size(), 2);
    for (int i = 0; i < 2; ++i) {
        CorvaneHIDDriver *driver = manager->drivers().at(i);
        QCOMPARE(driver->parent(), manager.get());
        QStringList children;
        for (const QObject *child : driver->children())
            children << QLatin1String(child->metaObject()->className());
        QVERIFY2(children.contains(QLatin1String(protocols[i])), qPrintable(children.join(' ')));
    }
    // Duplicates and odd ids are kept as given, in order.
    addIds({SupportedId, SupportedId, 0xffff0000u});
    QCOMPARE(manager->supportedIds(), (QList<quint32>{SupportedId, SupportedId, 0xffff0000u}));
}

void TestCorvaneHIDDevice::arrivalOpensWithFirstAcceptingProtocol_data()
{
    QTest::addColumn<QString>("controller");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("driver");
    QTest::addColumn<QStringList>("firstExchanges");

    // v1100's probe always comes first; a v2000 controller fails it and is probed again.
    QTest::newRow("v1100") << "v1100" << "sim:1:0" << 0 << QStringList{"sim:1:0 get:1"};
    QTest::newRow("v2000") << "v2000" << "sim:1:0" << 1 << QStringList{"sim:1:0 get:1", "sim:1:0 get:1"};
    QTest::newRow("answering interface last") << "v2000,interfaces=3,primary=2" << "sim:1:2" << 1
        << QStringList{"sim:1:0 get-failed:1", "sim:1:0 get-failed:1", "sim:1:1 get-failed:1",
                       "sim:1:1 get-failed:1", "sim:1:2 get:1", "sim:1:2 get:1"};
    QTest::newRow("answering interface first") << "v1100,interfaces=2" << "sim:1:0" << 0
        << QStringList{"sim:1:0 get:1"};
}

void TestCorvaneHIDDevice::arrivalOpensWithFirstAcceptingProtocol()
{
    QFETCH(QString, controller);
    QFETCH(QString, path);
    QFETCH(int, driver);
    QFETCH(QStringList, firstExchanges);

    watch(manager.get());
    plug(controller);

    QTRY_COMPARE(opened->count(), 1);
    QCOMPARE(opened->at(0).at(0).toString(), path);
    QCOMPARE(driverIndex(opened->at(0).at(1)), driver);
    QCOMPARE(manager->currentIndex(), driver);
    QCOMPARE(exchanges().mid(0, firstExchanges.size()), firstExchanges);
}

void TestCorvaneHIDDevice::arrivalIgnored_data()
{
    QTest::addColumn<QString>("controller");
    QTest::addColumn<QStringList>("expectedExchanges");

    QTest::newRow("other vendor") << "v2000,vid=0x2a0f" << QStringList();
    QTest::newRow("other product") << "v2000,pid=0x1001" << QStringList();
    QTest::newRow("no protocol accepts") << "v2000,fw=0x1000" << QStringList{"sim:1:0 get:1", "sim:1:0 get:1"};
}

void TestCorvaneHIDDevice::arrivalIgnored()
{
    QFETCH(QString, controller);
    QFETCH(QStringList, expectedExchanges);

    watch(manager.get());
    plug(controller);

    QTRY_VERIFY(!manager->isConnecting());
    QCOMPARE(opened->count(), 0);
    QCOMPARE(manager->currentIndex(), -1);
    QCOMPARE(exchanges(), expectedExchanges);
}

void TestCorvaneHIDDevice::removal_data()
{
    QTest::addColumn<QString>("removedPath");
    QTest::addColumn<bool>("closes");

    QTest::newRow("same path") << "sim:1:0" << true;
    QTest::newRow("other letter case") << "SIM:1:0" << true;
    QTest::newRow("other interface") << "sim:1:1" << false;
    QTest::newRow("other controller") << "sim:2:0" << false;
}

void TestCorvaneHIDDevice::removal()
{
    QFETCH(QString, removedPath);
    QFETCH(bool, closes);

    watch(manager.get());
    plug(QStringLiteral("v2000,interfaces=2"));
    QTRY_COMPARE(opened->count(), 1);

    widget->handleDeviceEvent(QStringLiteral("hidraw"), QStringLiteral("remove"), removedPath);

    QCOMPARE(closed->count(), closes ? 1 : 0);
    QCOMPARE(manager->currentIndex(), closes ? -1 : 1);
    if (closes) {
        QCOMPARE(closed->at(0).at(0).toString(), removedPath);
        QCOMPARE(closed->at(0).at(1).value<QObject *>(), opened->at(0).at(1).value<QObject *>());
    }
}

void TestCorvaneHIDDevice::secondControllerIgnoredWhileConnected()
{
    watch(manager.get());
    plug(QStringLiteral("v2000;v1100"));
    QTRY_COMPARE(opened->count(), 1);
    QVERIFY(!exchanges().join('\n').contains(simPath(2)));

    Bus::instance().unplug(2);
    QCOMPARE(closed->count(), 0);

    // Arrives while the first is still there, so it waits for the next try.
    plug(QStringLiteral("v1100"));
    Bus::instance().unplug(1);
    QCOMPARE(closed->count(), 1);
    QCOMPARE(opened->count(), 1);

    manager->tryConnectSupportedDevice();
    QTRY_COMPARE(opened->count(), 2);
    QCOMPARE(opened->at(1).at(0).toString(), simPath(3));
    QCOMPARE(driverIndex(opened->at(1).at(1)), 0);
}

void TestCorvaneHIDDevice::replugReusesTheDriver_data()
{
    QTest::addColumn<QString>("controller");
    QTest::newRow("v1100") << "v1100";
    QTest::newRow("v2000") << "v2000";
}

void TestCorvaneHIDDevice::replugReusesTheDriver()
{
    QFETCH(QString, controller);

    watch(manager.get());
    plug(controller);
    QTRY_COMPARE(opened->count(), 1);
    Bus::instance().unplug(1);
    plug(controller);

    QTRY_COMPARE(opened->count(), 2);
    QCOMPARE(closed->count(), 1);
    QCOMPARE(closed->at(0).at(0).toString(), simPath(1));
    QCOMPARE(opened->at(1).at(0).toString(), simPath(2));
    QObject *first = opened->at(0).at(1).value<QObject *>();
    QCOMPARE(closed->at(0).at(1).value<QObject *>(), first);
    QCOMPARE(opened->at(1).at(1).value<QObject *>(), first);
}

void TestCorvaneHIDDevice::tryConnectOpensFirstThatOpens_data()
{
    QTest::addColumn<QList<quint32>>("ids");
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("driver");

    QTest::newRow("v2000") << QList<quint32>{SupportedId} << "v2000" << "sim:1:0" << 1;
    QTest::newRow("v1100") << QList<quint32>{SupportedId} << "v1100" << "sim:1:0" << 0;
    QTest::newRow("rejected, then one that opens")
        << QList<quint32>{SupportedId} << "v2000,fw=0x1000;v1100;v2000" << "sim:2:0" << 0;
    QTest::newRow("second id") << QList<quint32>{OtherProductId, SupportedId}
                               << "v2000,pid=0x1001,fw=0x1000;v2000" << "sim:2:0" << 1;
    QTest::newRow("ids in order") << QList<quint32>{SupportedId, OtherProductId}
                                  << "v2000,pid=0x1001;v1100" << "sim:2:0" << 0;
}

void TestCorvaneHIDDevice::tryConnectOpensFirstThatOpens()
{
    QFETCH(QList<quint32>, ids);
    QFETCH(QString, present);
    QFETCH(QString, path);
    QFETCH(int, driver);

    plug(present);
    addIds(ids);
    manager->tryConnectSupportedDevice();

    QTRY_COMPARE(opened->count(), 1);
    QCOMPARE(opened->at(0).at(0).toString(), path);
    QCOMPARE(driverIndex(opened->at(0).at(1)), driver);
    const QStringList before = exchanges();
    QVERIFY2(!before.join('\n').contains(simPath(3)), "walked on past the opened controller");

    // Already connected: nothing is probed again.
    manager->tryConnectSupportedDevice();
    QCOMPARE(opened->count(), 1);
    QCOMPARE(exchanges(), before);
}

void TestCorvaneHIDDevice::tryConnectEmitsNothing_data()
{
    QTest::addColumn<QList<quint32>>("ids");
    QTest::addColumn<QString>("present");
    QTest::addColumn<int>("probes");

    QTest::newRow("no ids") << QList<quint32>() << "v2000" << 0;
    QTest::newRow("no device") << QList<quint32>{SupportedId} << "" << 0;
    QTest::newRow("other id") << QList<quint32>{OtherProductId} << "v2000" << 0;
    // Both protocols probe once per enumeration.
    QTest::newRow("rejected") << QList<quint32>{SupportedId} << "v2000,fw=0x1000" << 2;
    QTest::newRow("same id twice") << QList<quint32>{SupportedId, SupportedId} << "v2000,fw=0x1000" << 4;
}

void TestCorvaneHIDDevice::tryConnectEmitsNothing()
{
    QFETCH(QList<quint32>, ids);
    QFETCH(QString, present);
    QFETCH(int, probes);

    plug(present);
    addIds(ids);
    manager->tryConnectSupportedDevice();

    QTRY_VERIFY(!manager->isConnecting());
    QCOMPARE(opened->count(), 0);
    QCOMPARE(manager->currentIndex(), -1);
    QCOMPARE(probeGets(), probes);
    QCOMPARE(manager->supportedIds(), ids);
}

void TestCorvaneHIDDevice::nullMonitorKeepsTheEarlierOne()
{
    watch(manager.get());
    manager->setMonitorWidget(nullptr);
    plug(QStringLiteral("v2000"));
    QTRY_COMPARE(opened->count(), 1);
}

void TestCorvaneHIDDevice::monitorServesOneManager()
{
    CorvaneHIDDevice other;
    QSignalSpy otherOpened(&other, &CorvaneHIDDevice::supportedDeviceOpened);
    watch(manager.get());
    watch(&other);

    plug(QStringLiteral("v2000"));
    QTRY_COMPARE(otherOpened.count(), 1);
    QCOMPARE(opened->count(), 0);
}

void TestCorvaneHIDDevice::zeroIdsMatchNothing_data()
{
    QTest::addColumn<quint32>("id");
    QTest::newRow("zero vendor") << quint32(ProductId);
    QTest::newRow("zero product") << (quint32(VendorId) << 16);
    QTest::newRow("both zero") << quint32(0);
}

// The HID layer enumerates every device for a zero id; none of them is ours.
void TestCorvaneHIDDevice::zeroIdsMatchNothing()
{
    QFETCH(quint32, id);
    widget->registerDeviceNotification();
    manager->setMonitorWidget(widget.get());
    addIds({id});

    plug(QStringLiteral("v2000"));
    manager->tryConnectSupportedDevice();
    QCOMPARE(opened->count(), 0);
    QCOMPARE(probeGets(), 0);
}

void TestCorvaneHIDDevice::unansweringControllerIsLetGo_data()
{
    QTest::addColumn<QString>("controller");
    QTest::addColumn<CorvaneSim::Fault>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("replug");
    QTest::addColumn<QString>("reopenedAt");   // empty: stays closed after one probe per step of the schedule

    using CorvaneSim::Fault;
    QTest::newRow("v1100 silent, plugged again") << "v1100" << Fault::Silent << 1 << true << "sim:2:0";
    QTest::newRow("v2000 silent, plugged again") << "v2000" << Fault::Silent << 1 << true << "sim:2:0";
    // Eleven polls fail over the span, fewer when polls come late; what is
    // left fails the first probes.
    QTest::newRow("v2000 answers a later probe") << "v2000" << Fault::Get << 13 << false << "sim:1:0";
    QTest::newRow("v2000 stays silent") << "v2000" << Fault::Silent << 1 << false << QString();
}

void TestCorvaneHIDDevice::unansweringControllerIsLetGo()
{
    QFETCH(QString, controller);
    QFETCH(CorvaneSim::Fault, fault);
    QFETCH(int, count);
    QFETCH(bool, replug);
    QFETCH(QString, reopenedAt);
    Bus::instance().setSilentDelayMs(10);
    const CorvaneHIDDriver::Timing timing = shortTiming();
    startManager(timing);
    const QVector<int> reprobeDelaysMs = {20, 40, 60, 80, 100, 120, 140, 160};
    manager->setReprobeDelays(reprobeDelaysMs);
    watch(manager.get());
    plug(controller);
    QTRY_COMPARE(opened->count(), 1);

    // Polls fail for the span: the controller is closed as a removal closes it.
    int indexAtClose = 0;
    QStringList loggedAtClose;
    QVector<qint64> failedAtMs;
    connect(manager.get(), &CorvaneHIDDevice::supportedDeviceClosed, this, [&] {
        indexAtClose = manager->currentIndex();
        loggedAtClose = exchanges();
        for (const CorvaneSim::LogEntry &entry : Bus::instance().log()) {
            if (entry.op.endsWith(QLatin1String("failed")))
                failedAtMs << entry.ms;
        }
    });
    Bus::instance().injectFault(simPath(1), fault, count);
    QTRY_COMPARE_WITH_TIMEOUT(closed->count(), 1, 30000);
    QCOMPARE(closed->at(0).at(0).toString(), simPath(1));
    QCOMPARE(closed->at(0).at(1), opened->at(0).at(1));
    QCOMPARE(indexAtClose, -1);
    // Not let go before its exchanges had been failing for a good part of the span.
    QVERIFY(failedAtMs.size() >= 2);
    const qint64 failingMs = failedAtMs.last() - failedAtMs.first();
    QVERIFY2(failingMs >= timing.unansweredSpan.count() * 9 / 10, qPrintable(QString::number(failingMs)));

    if (replug) {
        Bus::instance().unplug(1);
        plug(controller);
    }
    if (reopenedAt.isEmpty()) {
        const auto reprobes = [&] { return probeGetsOn(simPath(1), exchanges().mid(loggedAtClose.size())); };
        QTRY_COMPARE(reprobes(), reprobeDelaysMs.size());
        QTest::qWait(300);
        QCOMPARE(reprobes(), reprobeDelaysMs.size());
        QCOMPARE(opened->count(), 1);
        return;
    }
    QTRY_COMPARE(opened->count(), 2);
    QCOMPARE(opened->at(1).at(0).toString(), reopenedAt);
    QCOMPARE(opened->at(1).at(1), opened->at(0).at(1));
}

QTEST_MAIN(TestCorvaneHIDDevice)
#include "tst_corvanehiddevice.moc"

// Another holder is modelled by a claim of the suite's own, which counts as
// held just the same. The manager leaves the wire alone and tries again.
void TestCorvaneHIDDevice::claimedControllerIsTakenOnceFree()
{
    plug(QStringLiteral("v2000"));
    addIds({SupportedId});
    auto other = std::make_unique<CorvaneControllerLock>(simPath(1));
    QVERIFY(other->tryLock());
    Bus::instance().clearLog();

    manager->tryConnectSupportedDevice();
    QTRY_VERIFY(!manager->isConnecting());
    QCOMPARE(opened->count(), 0);
    QVERIFY2(exchanges().isEmpty(), qPrintable(exchanges().join(' ')));
    QVERIFY(isThisProcess(manager->deviceHolder(simPath(1))));
    QCOMPARE(manager->supportedDevicePaths(), QStringList{simPath(1)});

    other.reset();
    QTRY_COMPARE_WITH_TIMEOUT(opened->count(), 1, 10000);
    QVERIFY(isThisProcess(manager->deviceHolder(simPath(1))));
    // The claim goes with the handle, on the driver's I/O thread.
    manager->disconnectDeviceByPath(simPath(1));
    QTRY_VERIFY(manager->deviceHolder(simPath(1)).isEmpty());
}

// A holder that dies takes its claim with it. On Windows the claim is a
// named semaphore that goes with its last handle; nothing outlives it.
void TestCorvaneHIDDevice::staleClaimIsTakenOver()
{
#ifdef Q_OS_WIN
    QSKIP("a claim on Windows goes with the holder's last handle");
#else
    plug(QStringLiteral("v2000"));
    addIds({SupportedId});
    const pid_t child = fork();
    if (child == 0) {
        CorvaneControllerLock claim(simPath(1));
        _exit(claim.tryLock() ? 0 : 1);
    }
    int status = -1;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(status, 0);
#endif

    manager->tryConnectSupportedDevice();
    QTRY_COMPARE(opened->count(), 1);
}
