// SPDX-License-Identifier: GPL-3.0-or-later
// The two controller models as the plug-in meets them: report bytes in,
// state and report bytes out.
#include "simtestutil.h"

#include <QTest>

using namespace CorvaneSim;
using namespace SimTest;

class TestSimProtocol : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void v2000Commands_data();
    void v2000Commands();
    void v2000SaveStoresLive();
    void v2000StatusImage_data();
    void v2000StatusImage();
    void v2000RpmFollowsDuty();

    void channelBlocks_data();
    void channelBlocks();

    void v1100Identity();
    void v1100Commands_data();
    void v1100Commands();
    void v1100ReportsReadBack();
    void v1100SaveSequence();

private:
    Handle openFirst(const QString &item);
};

namespace {
const QString Untouched = QStringLiteral("duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=--- law=0/0");
}

void TestSimProtocol::init()
{
    Bus::instance().reset();
}

Handle TestSimProtocol::openFirst(const QString &item)
{
    plug(item);
    Handle device = open(QStringLiteral("sim:1:0"));
    if (!device)
        qFatal("cannot open sim:1:0");
    return device;
}

void TestSimProtocol::v2000Commands_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("expected");

    QTest::newRow("0x10 fan duty") << QByteArray("06 a0 b0 02 b0 4b c0 10 a1")
                                   << "duty=0,0,75,0 pwm=0,0,0,0 fan=-- led=--- law=0/0";
    QTest::newRow("0x10 duty above 100 runs at 100") << QByteArray("06 a0 b0 01 b0 96 c0 10 a1")
                                                     << "duty=0,100,0,0 pwm=0,0,0,0 fan=-- led=--- law=0/0";
    QTest::newRow("0x10 fan 4 does not exist") << QByteArray("06 a0 b0 04 b0 32 c0 10 a1") << Untouched;
    QTest::newRow("0x1a fan auto-run") << QByteArray("06 a0 b0 01 c0 1a a1")
                                       << "duty=0,0,0,0 pwm=0,0,0,0 fan=A- led=--- law=0/0";
    QTest::newRow("0x1c fan shut-down") << QByteArray("06 a0 b0 01 c0 1c a1")
                                        << "duty=0,0,0,0 pwm=0,0,0,0 fan=-S led=--- law=0/0";
    QTest::newRow("0x20 LED power") << QByteArray("06 a0 b0 01 c0 20 a1")
                                    << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=P-- law=0/0";
    QTest::newRow("0x2a LED auto-run") << QByteArray("06 a0 b0 01 c0 2a a1")
                                       << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=-A- law=0/0";
    QTest::newRow("0x2c LED shut-down") << QByteArray("06 a0 b0 01 c0 2c a1")
                                        << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=--S law=0/0";
    QTest::newRow("0x21 0x22 law header") << QByteArray("06 a0 b0 23 b0 01 c0 21 b0 00 b0 01 c0 22 a1")
                                          << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=--- law=291/256";
    QTest::newRow("on then off in one frame") << QByteArray("06 a0 b0 01 c0 20 b0 00 c0 20 a1") << Untouched;
    QTest::newRow("several commands") << QByteArray("06 a0 b0 00 b0 28 c0 10 b0 03 b0 64 c0 10 b0 01 c0 2a a1")
                                      << "duty=40,0,0,100 pwm=0,0,0,0 fan=-- led=-A- law=0/0";
    QTest::newRow("unknown code takes its params") << QByteArray("06 a0 b0 01 c0 55 b0 01 c0 20 a1")
                                                   << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=P-- law=0/0";
    QTest::newRow("too few params") << QByteArray("06 a0 b0 01 c0 10 c0 20 a1") << Untouched;
    QTest::newRow("no frame start") << QByteArray("06 b0 01 c0 20 a1") << Untouched;
    QTest::newRow("stray byte drops the frame") << QByteArray("06 a0 b0 01 c0 20 7f a1") << Untouched;
    QTest::newRow("no frame end drops the frame") << QByteArray("06 a0 b0 01 c0 20") << Untouched;
    QTest::newRow("wrong report id") << QByteArray("07 a0 b0 01 c0 20 a1") << Untouched;
}

void TestSimProtocol::v2000Commands()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, expected);
    const Handle device = openFirst(QStringLiteral("v2000"));

    QCOMPARE(send(device.get(), report(frame)), ReportSize);

    const ControllerState after = state(1);
    QCOMPARE(describe(after.live), expected);
    QCOMPARE(describe(after.stored), Untouched);
    QCOMPARE(after.saveCount, 0);
}

void TestSimProtocol::v2000SaveStoresLive()
{
    const Handle device = openFirst(QStringLiteral("v2000"));
    send(device.get(), report("06 a0 b0 02 b0 32 c0 10 b0 01 c0 2a a1"));
    send(device.get(), '\x10' + QByteArray(64, '\x5a'));
    QCOMPARE(send(device.get(), report("06 a0 c0 30 a1")), ReportSize);
    send(device.get(), report("06 a0 b0 02 b0 0a c0 10 a1"));
    send(device.get(), '\x10' + QByteArray(64, '\x11'));

    const ControllerState after = state(1);
    QCOMPARE(after.saveCount, 1);
    QCOMPARE(describe(after.stored), QStringLiteral("duty=0,0,50,0 pwm=0,0,0,0 fan=-- led=-A- law=0/0"));
    QCOMPARE(describe(after.live), QStringLiteral("duty=0,0,10,0 pwm=0,0,0,0 fan=-- led=-A- law=0/0"));
    QCOMPARE(after.stored.blocks[0].left(64), QByteArray(64, '\x5a'));
    QCOMPARE(after.live.blocks[0].left(64), QByteArray(64, '\x11'));
}

void TestSimProtocol::v2000StatusImage_data()
{
    QTest::addColumn<int>("hardware");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray head = "01 1020 0320 01 bc0a 44332211";
    const QByteArray tail = "0a141e28 03 02 3412 5600 %1 6655 0700 000102030405060708090a0b";
    QTest::newRow("hardware 22 reports speeds")
        << 22 << QByteArray(head + "c8000000 04030201 58020000 20030000" + tail).replace("%1", "1600");
    QTest::newRow("hardware 21 has no tachometers")
        << 21 << QByteArray(head + "00000000 00000000 00000000 00000000" + tail).replace("%1", "1500");
}

void TestSimProtocol::v2000StatusImage()
{
    QFETCH(int, hardware);
    QFETCH(QByteArray, expected);
    ControllerConfig config;
    config.firmwareVersion = 0x2010;
    config.protocolVersion = 0x2003;
    config.hardwareVersion = quint16(hardware);
    config.model = 7;
    config.adapter = 0x0abc;
    config.manufacturingDate = 0x11223344;
    config.manufacturerId = 0x5566;
    config.cpuid = QByteArray::fromHex("000102030405060708090a0b");
    Bus::instance().plug(config);
    Bus::instance().setFanRpm(1, 1, 0x01020304);
    const Handle device = open(QStringLiteral("sim:1:0"));
    send(device.get(), report("06 a0 b0 00 b0 0a c0 10 b0 01 b0 14 c0 10 b0 02 b0 1e c0 10 b0 03 b0 28 c0 10"
                              " b0 01 c0 1a b0 01 c0 1c b0 01 c0 2c b0 01 c0 20"
                              " b0 34 b0 12 c0 21 b0 56 b0 00 c0 22 a1"));

    int result = 0;
    const QByteArray status = get(device.get(), 1, &result);
    QCOMPARE(result, ReportSize);
    QCOMPARE(status.toHex(), report(expected).toHex());
}

void TestSimProtocol::v2000RpmFollowsDuty()
{
    const Handle device = openFirst(QStringLiteral("v2000,hw=22"));
    send(device.get(), report("06 a0 b0 03 b0 32 c0 10 a1"));
    QCOMPARE(state(1).fanRpm[3], 1000u);
    Bus::instance().setFanRpm(1, 3, 1234);
    send(device.get(), report("06 a0 b0 03 b0 64 c0 10 a1"));
    QCOMPARE(state(1).fanRpm[3], 1234u);
}

void TestSimProtocol::channelBlocks_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("v2000") << "v2000";
    QTest::newRow("v1100") << "v1100";
}

void TestSimProtocol::channelBlocks()
{
    QFETCH(QString, item);
    const Handle device = openFirst(item);
    QByteArray expected[3];
    for (int channel = 0; channel < 3; ++channel) {
        for (int part = 0; part < 4; ++part) {
            QByteArray payload(64, '\0');
            for (int i = 0; i < 64; ++i)
                payload[i] = char(channel * 97 + part * 64 + i);
            expected[channel] += payload;
            QCOMPARE(send(device.get(), char(16 * (channel + 1) + part) + payload), ReportSize);
        }
    }
    // A report beyond a block's four is no channel report.
    QCOMPARE(send(device.get(), report("14 ff ff")), ReportSize);

    const ControllerState after = state(1);
    for (int channel = 0; channel < 3; ++channel)
        QCOMPARE(after.live.blocks[channel].toHex(), expected[channel].toHex());
}

void TestSimProtocol::v1100Identity()
{
    const Handle device = openFirst(QStringLiteral("v1100,fw=0x1105,cpuid=a1a2a3a4a5a6a7a8a9aaabac,adapter=4095"));
    int result = 0;
    QCOMPARE(get(device.get(), 1, &result).toHex(),
             report("01 0000 0511 0011 ad00 0000000000000000 a1a2a3a4a5a6a7a8a9aaabac").toHex());
    QCOMPARE(result, ReportSize);
    QCOMPARE(get(device.get(), 2, &result).toHex(), report("02 0000000000 ff0f").toHex());
    QCOMPARE(result, ReportSize);
}

void TestSimProtocol::v1100Commands_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("expected");

    QTest::newRow("fan 1 at 40 %") << QByteArray("03 02 00 cd00 cd00 cd00 cd00")
                                   << "duty=0,40,0,0 pwm=0,205,0,0 fan=-- led=--- law=0/0";
    QTest::newRow("pwm 204 stops the fan") << QByteArray("03 01 00 cc00 cc00 cc00 cc00")
                                           << "duty=0,0,0,0 pwm=204,0,0,0 fan=-- led=--- law=0/0";
    QTest::newRow("pwm 600 is full speed") << QByteArray("03 08 00 0000 0000 0000 5802")
                                           << "duty=0,0,0,100 pwm=0,0,0,600 fan=-- led=--- law=0/0";
    QTest::newRow("pwm 384 truncates to 75") << QByteArray("03 04 00 0000 0000 8001 0000")
                                             << "duty=0,0,75,0 pwm=0,0,384,0 fan=-- led=--- law=0/0";
    QTest::newRow("each selected fan takes its own field") << QByteArray("03 05 00 0002 ffff 0001 ffff")
                                                           << "duty=100,0,50,0 pwm=512,0,256,0 fan=-- led=--- law=0/0";
    QTest::newRow("auto-run byte without save is ignored") << QByteArray("03 00 01") << Untouched;
    QTest::newRow("LED power on") << QByteArray("0a 01 01") << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=P-- law=0/0";
    QTest::newRow("LED law header") << QByteArray("0a 02 00 00 2301 0001")
                                    << "duty=0,0,0,0 pwm=0,0,0,0 fan=-- led=--- law=291/256";
    QTest::newRow("LED unknown sub-command") << QByteArray("0a 07 01 01 2301 0001") << Untouched;
}

void TestSimProtocol::v1100Commands()
{
    QFETCH(QByteArray, sent);
    QFETCH(QString, expected);
    const Handle device = openFirst(QStringLiteral("v1100"));

    QCOMPARE(send(device.get(), report(sent)), ReportSize);

    const ControllerState after = state(1);
    QCOMPARE(describe(after.live), expected);
    QCOMPARE(describe(after.stored), Untouched);
    QCOMPARE(after.saveCount, 0);
}

void TestSimProtocol::v1100ReportsReadBack()
{
    const Handle device = openFirst(QStringLiteral("v1100"));
    send(device.get(), report("03 02 00 0001 0001 0001 0001"));
    send(device.get(), report("0a 01 01"));
    send(device.get(), report("0a 02 00 00 e803 1000"));

    QCOMPARE(get(device.get(), 3).toHex(), report("03 00 0000 0001 0000 0000").toHex());
    QCOMPARE(get(device.get(), 10).toHex(), report("0a 01 00 e803 1000").toHex());
}

void TestSimProtocol::v1100SaveSequence()
{
    // What the plug-in sends to save with the fan auto-run flag set.
    const Handle device = openFirst(QStringLiteral("v1100"));
    send(device.get(), report("03 01 00 0002 0002 0002 0002"));
    for (const char *hex : {"03 80 00", "0a 80 00 00", "03 80 01", "0a 80 00 00"})
        QCOMPARE(send(device.get(), report(hex)), ReportSize);

    const ControllerState after = state(1);
    QCOMPARE(after.saveCount, 4);
    QCOMPARE(describe(after.stored), QStringLiteral("duty=100,0,0,0 pwm=512,0,0,0 fan=A- led=--- law=0/0"));
    QCOMPARE(describe(after.live), describe(after.stored));
    QCOMPARE(get(device.get(), 3).toHex(), report("03 01 0002").toHex());
}

QTEST_GUILESS_MAIN(TestSimProtocol)
#include "tst_simprotocol.moc"
