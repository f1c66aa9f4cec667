// SPDX-License-Identifier: GPL-3.0-or-later
// Every report the two protocols send, byte for byte as the controller sees it.

#include "protocoltestkit.h"

#include <QTest>

using namespace ProtocolTestKit;
using CorvaneSim::Bus;

class TestProtocolImages final : public QObject
{
    Q_OBJECT

private slots:
    void commandImages_data();
    void commandImages();
    void ledLawSequence_data();
    void ledLawSequence();
};

void TestProtocolImages::commandImages_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("images");

    const auto row = [](const char *name, Kind kind, Operation operation, bool result, const QStringList &frames) {
        QStringList images;
        for (const QString &frame : frames)
            images.append(image(frame));
        QTest::newRow(name) << kind << operation << result << images;
    };
    using P = CorvaneHIDDriverIfBase;
    const Kind v2 = Kind::V2000;
    const Kind v1 = Kind::V1100;

    row("v2000 fan duty 2,75", v2, [](P &p) { return p.writeFanDuty(2, 75); }, true, {"06 A0 B0 02 B0 4B C0 10 A1"});
    row("v2000 fan duty 0,0", v2, [](P &p) { return p.writeFanDuty(0, 0); }, true, {"06 A0 B0 00 B0 00 C0 10 A1"});
    row("v2000 fan duty unscaled 3,200", v2, [](P &p) { return p.writeFanDuty(3, 200); }, true, {"06 A0 B0 03 B0 C8 C0 10 A1"});
    row("v2000 fan auto-run on", v2, [](P &p) { return p.setFanAutoRun(true); }, true, {"06 A0 B0 01 C0 1A A1"});
    row("v2000 fan auto-run off", v2, [](P &p) { return p.setFanAutoRun(false); }, true, {"06 A0 B0 00 C0 1A A1"});
    row("v2000 fan hibernate on", v2, [](P &p) { return p.setFanAutoHibernate(true); }, true, {"06 A0 B0 01 C0 1C A1"});
    row("v2000 fan hibernate off", v2, [](P &p) { return p.setFanAutoHibernate(false); }, true, {"06 A0 B0 00 C0 1C A1"});
    row("v2000 LED power on", v2, [](P &p) { return p.setLEDPower(true); }, true, {"06 A0 B0 01 C0 20 A1"});
    row("v2000 LED power off", v2, [](P &p) { return p.setLEDPower(false); }, true, {"06 A0 B0 00 C0 20 A1"});
    row("v2000 LED auto-run on", v2, [](P &p) { return p.setLEDAutoRun(true); }, true, {"06 A0 B0 01 C0 2A A1"});
    row("v2000 LED auto-run off", v2, [](P &p) { return p.setLEDAutoRun(false); }, true, {"06 A0 B0 00 C0 2A A1"});
    row("v2000 LED hibernate on", v2, [](P &p) { return p.setLEDAutoHibernate(true); }, true, {"06 A0 B0 01 C0 2C A1"});
    row("v2000 LED hibernate off", v2, [](P &p) { return p.setLEDAutoHibernate(false); }, true, {"06 A0 B0 00 C0 2C A1"});
    row("v2000 save", v2, [](P &p) { return p.saveSettings(); }, true, {"06 A0 C0 30 A1"});
    row("v2000 reserved", v2, [](P &p) { return p.reserved(); }, false, {});

    row("v1100 fan duty 1,40", v1, [](P &p) { return p.writeFanDuty(1, 40); }, true, {"03 02 00 CD 00 CD 00 CD 00 CD 00"});
    row("v1100 fan duty 3,39 stops", v1, [](P &p) { return p.writeFanDuty(3, 39); }, true, {"03 08 00"});
    row("v1100 fan duty 0,75", v1, [](P &p) { return p.writeFanDuty(0, 75); }, true, {"03 01 00 80 01 80 01 80 01 80 01"});
    row("v1100 fan duty 2,150 clamps", v1, [](P &p) { return p.writeFanDuty(2, 150); }, true, {"03 04 00 00 02 00 02 00 02 00 02"});
    row("v1100 fan index 4 refused", v1, [](P &p) { return p.writeFanDuty(4, 50); }, false, {});
    row("v1100 LED power on", v1, [](P &p) { return p.setLEDPower(true); }, true, {"0A 01 01"});
    row("v1100 LED power off", v1, [](P &p) { return p.setLEDPower(false); }, true, {"0A 01 00"});
    row("v1100 fan auto-run kept", v1, [](P &p) { return p.setFanAutoRun(true); }, true, {});
    row("v1100 LED auto-run kept", v1, [](P &p) { return p.setLEDAutoRun(true); }, true, {});
    row("v1100 fan hibernate unsupported", v1, [](P &p) { return p.setFanAutoHibernate(true); }, false, {});
    row("v1100 LED hibernate unsupported", v1, [](P &p) { return p.setLEDAutoHibernate(true); }, false, {});
    row("v1100 reserved", v1, [](P &p) { return p.reserved(); }, false, {});
    row("v1100 save, flags clear", v1, [](P &p) { return p.saveSettings(); }, true, {"03 80 00", "0A 80 00 00"});
    row("v1100 save, fan auto-run", v1, [](P &p) { return p.setFanAutoRun(true) && p.saveSettings(); }, true,
        {"03 80 00", "0A 80 00 00", "03 80 01", "0A 80 00 00"});
    row("v1100 save, LED auto-run", v1, [](P &p) { return p.setLEDAutoRun(true) && p.saveSettings(); }, true,
        {"03 80 00", "0A 80 00 00", "03 80 00", "0A 80 00 01"});
    row("v1100 save, flag forgotten at close", v1,
        [](P &p) { return p.setLEDAutoRun(true) && p.close() && p.open("sim:1:0") && p.saveSettings(); }, true,
        {"03 80 00", "0A 80 00 00"});
    row("v1100 save, flag set and cleared", v1,
        [](P &p) { return p.setFanAutoRun(true) && p.setFanAutoRun(false) && p.saveSettings(); }, true,
        {"03 80 00", "0A 80 00 00"});
}

void TestProtocolImages::commandImages()
{
    QFETCH(Kind, kind);
    QFETCH(Operation, operation);
    QFETCH(bool, result);
    QFETCH(QStringList, images);

    const QString path = plugOnly(controllerText(kind));
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));
    Bus::instance().clearLog();

    QCOMPARE(operation(*protocol), result);
    QCOMPARE(loggedImages(QStringLiteral("send")), images);
}

void TestProtocolImages::ledLawSequence_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QList<int>>("channelOrder");

    const QStringList v2000 = {"06 A0 B0 00 C0 20 A1", "06 A0 B0 23 B0 01 C0 21 B0 00 B0 01 C0 22 A1",
                               "06 A0 B0 01 C0 20 A1"};
    const QStringList v1100 = {"0A 01 00", "0A 02 00 00 23 01 00 01", "0A 01 01"};
    QTest::newRow("v2000 hw21") << Kind::V2000 << "hw=21" << v2000 << QList<int>{0, 1, 2};
    QTest::newRow("v2000 hw22 rewired") << Kind::V2000 << "hw=22" << v2000 << QList<int>{2, 0, 1};
    QTest::newRow("v2000 hw23") << Kind::V2000 << "hw=23" << v2000 << QList<int>{0, 1, 2};
    QTest::newRow("v1100") << Kind::V1100 << QString() << v1100 << QList<int>{0, 1, 2};
}

void TestProtocolImages::ledLawSequence()
{
    QFETCH(Kind, kind);
    QFETCH(QString, options);
    QFETCH(QStringList, frames);
    QFETCH(QList<int>, channelOrder);

    const QString path = plugOnly(controllerText(kind, options));
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));
    Bus::instance().clearLog();

    QVERIFY(protocol->writeLEDLaw(channels(), 0x0123, 256));

    // LED off, header, blocks at ids 16, 32, 48, LED on.
    QStringList expected = {image(frames.at(0)), image(frames.at(1))};
    const int firstIds[3] = {16, 32, 48};
    for (int block = 0; block < 3; ++block) {
        const QByteArray channel = channelBytes(channelOrder.at(block));
        for (int i = 0; i < 4; ++i)
            expected.append(hex(char(firstIds[block] + i) + channel.mid(64 * i, 64)));
    }
    expected.append(image(frames.at(2)));
    QCOMPARE(loggedImages(QStringLiteral("send")), expected);
}

QTEST_GUILESS_MAIN(TestProtocolImages)
#include "tst_protocolimages.moc"
