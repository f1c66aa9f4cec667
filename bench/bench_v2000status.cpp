// SPDX-License-Identifier: GPL-3.0-or-later
// One v2000 status read with its property updates, against the simulated
// controller: the once-a-second poll (adapter, and fan speeds on hardware 22)
// and the full read made when a controller opens. The figure includes the
// simulator's side of each exchange (its lock and report log).
#include "corvanedrivernames.h"
#include "corvanehidprotocolv2000.h"
#include "corvanesim.h"

#include <QLoggingCategory>
#include <QTest>

class BenchV2000Status : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statusRead_data();
    void statusRead();
};

void BenchV2000Status::initTestCase()
{
    // The full read logs a debug line each time; printing it is not what is measured.
    QLoggingCategory::setFilterRules(QStringLiteral("corvane.*.debug=false"));
}

void BenchV2000Status::statusRead_data()
{
    QTest::addColumn<int>("hardware");
    QTest::addColumn<bool>("pollOnly");
    QTest::newRow("poll, hardware 21") << 21 << true;
    QTest::newRow("poll, hardware 22 with fan speeds") << 22 << true;
    QTest::newRow("open-time read of every property") << 22 << false;
}

void BenchV2000Status::statusRead()
{
    QFETCH(int, hardware);
    QFETCH(bool, pollOnly);
    CorvaneSim::Bus &bus = CorvaneSim::Bus::instance();
    bus.reset();
    CorvaneSim::ControllerConfig config;
    config.hardwareVersion = quint16(hardware);
    const int controller = bus.plug(config);
    for (int fan = 0; fan < 4; ++fan)
        bus.setFanRpm(controller, fan, 1200 + quint32(fan));
    CorvaneHIDProtocolv2000 protocol;
    QVERIFY(protocol.open(bus.paths(controller).value(0)));

    QObject driver;
    bool read = false;
    QBENCHMARK {
        read = pollOnly ? protocol.updatePhyDeviceRealtimePropertyToDriverObject(&driver)
                        : protocol.updatePhyDeviceReadOnlyPropertyToDriverObject(&driver);
    }
    QVERIFY(read);
    namespace Names = CorvaneDriverNames::Driver;
    QVERIFY(driver.property(Names::PowerAdapter).isValid());
    QCOMPARE(driver.property(Names::fanRpmProperty(3)).toUInt(), hardware == 22 ? 1203u : 0u);
}

QTEST_GUILESS_MAIN(BenchV2000Status)
#include "bench_v2000status.moc"
