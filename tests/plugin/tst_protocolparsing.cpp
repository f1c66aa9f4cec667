// SPDX-License-Identifier: GPL-3.0-or-later
// How the protocols read the controller's reports, at the edges of each field.

#include "corvanedrivernames.h"
#include "corvanehidprotocolv1100.h"
#include "protocoltestkit.h"

#include <QTest>

using namespace ProtocolTestKit;
using CorvaneSim::Bus;
namespace Names = CorvaneDriverNames::Driver;

class TestProtocolParsing final : public QObject
{
    Q_OBJECT

private slots:
    void v2000VersionGate_data();
    void v2000VersionGate();
    void v2000FlagBytes_data();
    void v2000FlagBytes();
    void v2000GarbageFollowsVersionGate();
    void v1100IdentityGate_data();
    void v1100IdentityGate();
    void v1100CpuIdTakenBeforeIdentityCheck();
    void adapterVolts_data();
    void adapterVolts();
    void realtimeProperties_data();
    void realtimeProperties();
    void failedReadTouchesNothing_data() { addKindRows(); }
    void failedReadTouchesNothing();
    void dutyToPwm_data();
    void dutyToPwm();
    void pwmToDuty_data();
    void pwmToDuty();
    void v1100DutyReadBack_data();
    void v1100DutyReadBack();
};

void TestProtocolParsing::v2000VersionGate_data()
{
    QTest::addColumn<QString>("versions");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0x2000/0x2000") << "fw=0x2000,proto=0x2000" << true;
    QTest::newRow("0xffff/0x2001") << "fw=0xffff,proto=0x2001" << true;
    QTest::newRow("fw 0x1fff") << "fw=0x1fff,proto=0x2000" << false;
    QTest::newRow("proto 0x1fff") << "fw=0x2000,proto=0x1fff" << false;
}

void TestProtocolParsing::v2000VersionGate()
{
    QFETCH(QString, versions);
    QFETCH(bool, accepted);

    // The status block of the held hardware-22 controller decides the channel
    // order of an upload, so the order shows whether the candidate's status replaced it.
    const QString held = plugOnly(QStringLiteral("v2000,hw=22"));
    const QString candidate = plug(QStringLiteral("v2000,hw=21,") + versions);
    const auto protocol = makeProtocol(Kind::V2000);
    QVERIFY(protocol->open(held));
    QCOMPARE(protocol->open(candidate), accepted);
    Bus::instance().clearLog();

    QVERIFY(protocol->writeLEDLaw(channels(), 20, 10));
    const auto entries = Bus::instance().log();
    const auto firstBlock = std::find_if(entries.cbegin(), entries.cend(),
                                         [](const auto &entry) { return quint8(entry.buffer.at(0)) == 16; });
    QVERIFY(firstBlock != entries.cend());
    QCOMPARE(firstBlock->path, accepted ? candidate : held);
    QCOMPARE(firstBlock->buffer.mid(1, 64), channelBytes(accepted ? 0 : 2).left(64));
}

void TestProtocolParsing::v2000FlagBytes_data()
{
    QTest::addColumn<bool>("autoRun");
    QTest::addColumn<bool>("shutdown");
    QTest::addColumn<int>("flagByte");
    QTest::newRow("0x00") << false << false << 0x00;
    QTest::newRow("0x01") << true << false << 0x01;
    QTest::newRow("0x02") << false << true << 0x02;
    QTest::newRow("0x03") << true << true << 0x03;
}

void TestProtocolParsing::v2000FlagBytes()
{
    QFETCH(bool, autoRun);
    QFETCH(bool, shutdown);
    QFETCH(int, flagByte);

    const auto protocol = makeProtocol(Kind::V2000);
    QVERIFY(protocol->open(plugOnly(QStringLiteral("v2000"))));
    QVERIFY(protocol->setFanAutoRun(autoRun) && protocol->setFanAutoHibernate(shutdown));
    QVERIFY(protocol->setLEDAutoRun(autoRun) && protocol->setLEDAutoHibernate(shutdown));
    Bus::instance().clearLog();
    QObject driver;
    QVERIFY(protocol->updatePhyDeviceReadWritePropertyToDriverObject(&driver));

    const QByteArray reply = logged(QStringLiteral("get")).value(0);
    QCOMPARE(int(quint8(reply.at(32))), flagByte);
    QCOMPARE(int(quint8(reply.at(33))), flagByte);
    const QVariant expected[] = {flagByte & 1, flagByte & 2};
    QCOMPARE(driver.property(Names::FanAutoRun), expected[0]);
    QCOMPARE(driver.property(Names::LedAutoRun), expected[0]);
    QCOMPARE(driver.property(Names::FanShutdownOnDisconnect), expected[1]);
    QCOMPARE(driver.property(Names::LedShutdownOnDisconnect), expected[1]);
}

void TestProtocolParsing::v2000GarbageFollowsVersionGate()
{
    const QString path = plugOnly(QStringLiteral("v2000"));
    const auto protocol = makeProtocol(Kind::V2000);
    QVERIFY(protocol->open(path));
    QObject driver;
    QVERIFY(protocol->updatePhyDeviceRealtimePropertyToDriverObject(&driver));

    for (int round = 0; round < 32; ++round) {
        const QVariant before = driver.property(Names::PowerAdapter);
        Bus::instance().clearLog();
        Bus::instance().injectFault(path, CorvaneSim::Fault::Garbage, 1);
        const bool taken = protocol->updatePhyDeviceRealtimePropertyToDriverObject(&driver);

        const QByteArray reply = logged(QStringLiteral("get")).value(0);
        QCOMPARE(reply.size(), 65);
        const auto u16 = [&reply](int at) { return quint8(reply.at(at)) | quint8(reply.at(at + 1)) << 8; };
        QCOMPARE(taken, u16(1) >= 0x2000 && u16(3) >= 0x2000);
        const QVariant after = driver.property(Names::PowerAdapter);
        if (taken)
            QVERIFY(qAbs(after.toDouble() - u16(6) * 35.86 / 4095) < 1e-3);
        else
            QCOMPARE(after, before);
    }
}

void TestProtocolParsing::v1100IdentityGate_data()
{
    QTest::addColumn<QString>("versions");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0x1100/0x1100") << "fw=0x1100,proto=0x1100" << true;
    QTest::newRow("0x11ff/0x1105") << "fw=0x11ff,proto=0x1105" << true;
    QTest::newRow("fw 0x1200") << "fw=0x1200,proto=0x1100" << false;
    QTest::newRow("proto 0x10ff") << "fw=0x1100,proto=0x10ff" << false;
    QTest::newRow("0x2000/0x2000") << "fw=0x2000,proto=0x2000" << false;
}

void TestProtocolParsing::v1100IdentityGate()
{
    QFETCH(QString, versions);
    QFETCH(bool, accepted);
    const auto protocol = makeProtocol(Kind::V1100);
    QCOMPARE(protocol->open(plugOnly(QStringLiteral("v1100,") + versions)), accepted);
    QCOMPARE(protocol->isOpen(), accepted);
}

void TestProtocolParsing::v1100CpuIdTakenBeforeIdentityCheck()
{
    const QString path = plugOnly(QStringLiteral("v1100,fw=0x1107,cpuid=0102030405060708090a0b0c"));
    const auto protocol = makeProtocol(Kind::V1100);
    QVERIFY(protocol->open(path));
    QObject driver;
    QVERIFY(protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driver));
    QCOMPARE(driver.property(Names::CpuId).toByteArray(), QByteArray::fromHex("0102030405060708090a0b0c"));

    // Power, fan, LED and identity replies all garbage: the identity fails its
    // check (its signature is not 0x00AD), yet its CPU id is taken.
    Bus::instance().clearLog();
    Bus::instance().injectFault(path, CorvaneSim::Fault::Garbage, 4);
    QVERIFY(protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driver));
    const QByteArray identity = logged(QStringLiteral("get")).value(3);
    QCOMPARE(quint8(identity.at(0)), quint8(1));
    QVERIFY(quint8(identity.at(7)) != 0xAD || identity.at(8) != 0);
    QCOMPARE(driver.property(Names::CpuId).toByteArray(), identity.mid(17, 12));
    QCOMPARE(driver.property(Names::FirmwareVersion), QVariant(0x1107));
}

void TestProtocolParsing::adapterVolts_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("reading");
    QTest::addColumn<double>("volts");
    for (Kind kind : {Kind::V1100, Kind::V2000}) {
        const QByteArray prefix = kind == Kind::V1100 ? "v1100 " : "v2000 ";
        QTest::newRow(prefix + "full scale") << kind << 4095 << 35.86;
        QTest::newRow(prefix + "zero") << kind << 0 << 0.0;
        QTest::newRow(prefix + "12 V") << kind << 1370 << 11.997;
        QTest::newRow(prefix + "beyond 12 bits") << kind << 0xFFFF << 573.8913;
    }
}

void TestProtocolParsing::adapterVolts()
{
    QFETCH(Kind, kind);
    QFETCH(int, reading);
    QFETCH(double, volts);
    const QString path = plugOnly(controllerText(kind));
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));
    Bus::instance().setAdapter(controllerNumber(path), quint16(reading));

    QObject driver;
    QVERIFY(protocol->updatePhyDeviceRealtimePropertyToDriverObject(&driver));
    const QVariant adapter = driver.property(Names::PowerAdapter);
    QCOMPARE(adapter.userType(), int(QMetaType::Float));
    QVERIFY2(qAbs(adapter.toDouble() - volts) < 1e-3, qPrintable(adapter.toString()));
}

void TestProtocolParsing::realtimeProperties_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("hardware");
    QTest::addColumn<bool>("speeds");
    QTest::newRow("v2000 hw21") << Kind::V2000 << 21 << false;
    QTest::newRow("v2000 hw22") << Kind::V2000 << 22 << true;
    QTest::newRow("v2000 hw23") << Kind::V2000 << 23 << false;
    QTest::newRow("v1100 hw22") << Kind::V1100 << 22 << false;
}

void TestProtocolParsing::realtimeProperties()
{
    QFETCH(Kind, kind);
    QFETCH(int, hardware);
    QFETCH(bool, speeds);
    const QString path = plugOnly(controllerText(kind, QStringLiteral("hw=%1").arg(hardware)));
    const quint32 rpm[4] = {1200, 0x10000, 0, 0xFFFFFFFFu};
    for (int fan = 0; fan < 4; ++fan)
        Bus::instance().setFanRpm(controllerNumber(path), fan, rpm[fan]);
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));

    QObject driver;
    QVERIFY(protocol->updatePhyDeviceRealtimePropertyToDriverObject(&driver));
    QStringList expected = {QString::fromLatin1(Names::PowerAdapter)};
    if (speeds) {
        for (int fan = 0; fan < 4; ++fan) {
            const QByteArray name = Names::fanRpmProperty(fan);
            QCOMPARE(driver.property(name), QVariant(uint(rpm[fan])));
            expected.append(QString::fromLatin1(name));
        }
    }
    expected.sort();
    QCOMPARE(dynamicProperties(driver).keys(), expected);
}

void TestProtocolParsing::failedReadTouchesNothing()
{
    QFETCH(Kind, kind);
    const QString path = plugOnly(controllerText(kind, QStringLiteral("hw=22")));
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));
    QObject driver;
    QVERIFY(protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driver));
    const QVariantMap before = dynamicProperties(driver);

    // Changes that a successful read would show.
    Bus::instance().setAdapter(controllerNumber(path), 4000);
    QVERIFY(protocol->writeFanDuty(0, 80) && protocol->setLEDPower(true));
    Bus::instance().injectFault(path, CorvaneSim::Fault::Get, 3);
    QVERIFY(!protocol->updatePhyDeviceRealtimePropertyToDriverObject(&driver));
    QVERIFY(!protocol->updatePhyDeviceReadWritePropertyToDriverObject(&driver));
    QVERIFY(!protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driver));
    QCOMPARE(dynamicProperties(driver), before);

    // The fault is spent: the next read brings the changes in.
    QVERIFY(protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driver));
    QCOMPARE(driver.property(Names::fanDutyProperty(0)).toInt(), 80);
    QCOMPARE(driver.property(Names::LedPower).toInt(), 1);
}

void TestProtocolParsing::dutyToPwm_data()
{
    QTest::addColumn<int>("duty");
    QTest::addColumn<int>("pwm");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("39 stops") << 39 << 0;
    QTest::newRow("40 rounds up") << 40 << 205;
    QTest::newRow("50") << 50 << 256;
    QTest::newRow("75") << 75 << 384;
    QTest::newRow("99 rounds down") << 99 << 507;
    QTest::newRow("100") << 100 << 512;
    QTest::newRow("150 clamps") << 150 << 512;
    QTest::newRow("255 clamps") << 255 << 512;
}

void TestProtocolParsing::dutyToPwm()
{
    QFETCH(int, duty);
    QFETCH(int, pwm);
    QCOMPARE(int(CorvaneHIDProtocolv1100::dutyToPwm(quint8(duty))), pwm);
}

void TestProtocolParsing::pwmToDuty_data()
{
    QTest::addColumn<int>("pwm");
    QTest::addColumn<int>("duty");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("204 below the floor") << 204 << 0;
    QTest::newRow("205") << 205 << 40;
    QTest::newRow("307 truncates") << 307 << 59;
    QTest::newRow("512") << 512 << 100;
    QTest::newRow("600 clamps") << 600 << 100;
    QTest::newRow("65535 clamps") << 65535 << 100;
}

void TestProtocolParsing::pwmToDuty()
{
    QFETCH(int, pwm);
    QFETCH(int, duty);
    QCOMPARE(CorvaneHIDProtocolv1100::pwmToDuty(quint16(pwm)), duty);
}

void TestProtocolParsing::v1100DutyReadBack_data()
{
    QTest::addColumn<int>("duty");
    QTest::addColumn<int>("readBack");
    QTest::newRow("39") << 39 << 0;
    QTest::newRow("40") << 40 << 40;
    QTest::newRow("41") << 41 << 41;
    QTest::newRow("60 truncated") << 60 << 59;
    QTest::newRow("150") << 150 << 100;
}

void TestProtocolParsing::v1100DutyReadBack()
{
    QFETCH(int, duty);
    QFETCH(int, readBack);
    const QString path = plugOnly(QStringLiteral("v1100"));
    const auto protocol = makeProtocol(Kind::V1100);
    QVERIFY(protocol->open(path));
    QVERIFY(protocol->writeFanDuty(2, quint8(duty)));
    QCOMPARE(int(state(path).live.fanDuty[2]), readBack);

    QObject driver;
    QVERIFY(protocol->updatePhyDeviceReadWritePropertyToDriverObject(&driver));
    QCOMPARE(driver.property(Names::fanDutyProperty(2)), QVariant(readBack));
}

QTEST_GUILESS_MAIN(TestProtocolParsing)
#include "tst_protocolparsing.moc"
