// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehiddriverifbase.h"
#include "corvanesim.h"

#include <QTest>

using CorvaneSim::Bus;

namespace {

/// The shared handle discipline with a probe that answers as told.
class ProbingProtocol final : public CorvaneHIDDriverIfBase
{
public:
    bool accept = true;
    QVector<hid_device *> probed;

    hid_device *handle() const { return m_device; }

    bool probe(hid_device *candidate) override
    {
        probed << candidate;
        return accept;
    }
    bool writeFanDuty(quint8, quint8) override { return false; }
    bool setFanAutoRun(bool) override { return false; }
    bool setFanAutoHibernate(bool) override { return false; }
    bool setLEDPower(bool) override { return false; }
    bool setLEDAutoRun(bool) override { return false; }
    bool setLEDAutoHibernate(bool) override { return false; }
    bool writeLEDLaw(QVector<QByteArray>, quint16, quint16) override { return false; }
    bool reserved() override { return false; }
    bool saveSettings() override { return false; }
    bool updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *) override { return false; }
    bool updatePhyDeviceReadWritePropertyToDriverObject(QObject *) override { return false; }
    bool updatePhyDeviceRealtimePropertyToDriverObject(QObject *) override { return false; }
};

/// True when @p device still answers a status read.
bool answers(hid_device *device)
{
    unsigned char report[65] = {1};
    return hid_get_feature_report(device, report, sizeof report) > 0;
}

} // namespace

class TestCorvaneHIDDriverIfBase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void open_data();
    void open();
    void rejectedOpenKeepsEarlierHandle();
    void acceptedOpenReplacesEarlierHandle();
    void closeAlwaysSucceeds();
};

void TestCorvaneHIDDriverIfBase::init()
{
    Bus::instance().reset();
    Bus::instance().plug(CorvaneSim::ControllerConfig());
    Bus::instance().plug(CorvaneSim::ControllerConfig());
}

void TestCorvaneHIDDriverIfBase::open_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("probes");

    QTest::newRow("present, accepted") << QStringLiteral("sim:1:0") << true << true << 1;
    QTest::newRow("present, rejected") << QStringLiteral("sim:1:0") << false << false << 1;
    // No node, nothing to claim: the controller is left alone.
    QTest::newRow("absent") << QStringLiteral("sim:9:0") << true << false << 0;
}

void TestCorvaneHIDDriverIfBase::open()
{
    QFETCH(QString, path);
    QFETCH(bool, accept);
    ProbingProtocol protocol;
    protocol.accept = accept;

    QTEST(protocol.open(path), "opened");
    QTEST(protocol.isOpen(), "opened");
    QTEST(int(protocol.probed.size()), "probes");
}

void TestCorvaneHIDDriverIfBase::rejectedOpenKeepsEarlierHandle()
{
    ProbingProtocol protocol;
    QVERIFY(protocol.open(QStringLiteral("sim:1:0")));
    hid_device *first = protocol.handle();

    protocol.accept = false;
    QVERIFY(!protocol.open(QStringLiteral("sim:2:0")));
    QCOMPARE(protocol.handle(), first);
    QVERIFY(answers(first));
}

void TestCorvaneHIDDriverIfBase::acceptedOpenReplacesEarlierHandle()
{
    ProbingProtocol protocol;
    QVERIFY(protocol.open(QStringLiteral("sim:1:0")));
    const hid_device *first = protocol.handle();
    QVERIFY(protocol.open(QStringLiteral("sim:2:0")));
    QVERIFY(protocol.handle() != first);
    QVERIFY(answers(protocol.handle()));
}

void TestCorvaneHIDDriverIfBase::closeAlwaysSucceeds()
{
    ProbingProtocol protocol;
    QVERIFY(protocol.close());
    QVERIFY(protocol.open(QStringLiteral("sim:1:0")));
    QVERIFY(protocol.close());
    QVERIFY(!protocol.isOpen());
    QVERIFY(protocol.close());
}

QTEST_GUILESS_MAIN(TestCorvaneHIDDriverIfBase)
#include "tst_corvanehiddriverifbase.moc"
