// SPDX-License-Identifier: GPL-3.0-or-later
// The bus through the hid_* functions as the plug-in calls them: enumeration,
// handles, hidraw's refusals, injected faults, hot-plug and the report log.
#include "simtestutil.h"

#include <QElapsedTimer>
#include <QTest>

using namespace CorvaneSim;
using namespace SimTest;

class TestSimBus : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void enumerate_data();
    void enumerate();
    void enumerationRecord();
    void openAndClose();
    void refusedExchanges_data();
    void refusedExchanges();
    void unknownReports_data();
    void unknownReports();
    void onlyPrimaryInterfaceAnswers();
    void sendAndGetFaults_data();
    void sendAndGetFaults();
    void silentDevice();
    void garbageIsDeterministic();
    void queuedReplies();
    void unplugKillsOpenHandles();
    void resetKillsOldHandles();
    void hotplugListeners();
    void logEntries();
};

void TestSimBus::init()
{
    Bus::instance().reset();
}

void TestSimBus::enumerate_data()
{
    QTest::addColumn<QStringList>("controllers");
    QTest::addColumn<int>("vid");
    QTest::addColumn<int>("pid");
    QTest::addColumn<QStringList>("expected");

    const QStringList mixed = {"v2000", "v1100,pid=0x1001", "v2000,vid=0x1234,interfaces=2"};
    QTest::newRow("0/0 lists all in plug order")
        << mixed << 0 << 0 << QStringList{"sim:1:0", "sim:2:0", "sim:3:0", "sim:3:1"};
    QTest::newRow("vid and pid") << mixed << 0x2a0e << 0x1000 << QStringList{"sim:1:0"};
    QTest::newRow("vid, any pid") << mixed << 0x2a0e << 0 << QStringList{"sim:1:0", "sim:2:0"};
    QTest::newRow("any vid, pid") << mixed << 0 << 0x1000 << QStringList{"sim:1:0", "sim:3:0", "sim:3:1"};
    QTest::newRow("no match") << mixed << 0x2a0e << 0x2000 << QStringList();
    QTest::newRow("empty bus") << QStringList() << 0 << 0 << QStringList();
}

void TestSimBus::enumerate()
{
    QFETCH(QStringList, controllers);
    QFETCH(int, vid);
    QFETCH(int, pid);
    QFETCH(QStringList, expected);
    for (const QString &item : qAsConst(controllers))
        plug(item);

    hid_device_info *list = hid_enumerate(ushort(vid), ushort(pid));
    QStringList paths;
    for (const hid_device_info *info = list; info; info = info->next)
        paths.append(QString::fromLatin1(info->path));
    hid_free_enumeration(list);
    QCOMPARE(paths, expected);
}

void TestSimBus::enumerationRecord()
{
    plug(QStringLiteral("v1100,vid=0x1234,pid=0x5678,interfaces=2,primary=1"));
    hid_device_info *list = hid_enumerate(0, 0);
    QVERIFY(list && list->next && !list->next->next);
    QCOMPARE(list->vendor_id, ushort(0x1234));
    QCOMPARE(list->product_id, ushort(0x5678));
    QCOMPARE(list->interface_number, 0);
    QCOMPARE(list->next->interface_number, 1);
    QVERIFY(list->serial_number && list->manufacturer_string && list->product_string);
    hid_free_enumeration(list);
    hid_free_enumeration(nullptr);
}

void TestSimBus::openAndClose()
{
    plug(QStringLiteral("v2000"));
    QVERIFY(open(QStringLiteral("sim:1:0")));
    QVERIFY(!open(QStringLiteral("sim:1:1")));
    QVERIFY(!open(QStringLiteral("SIM:1:0")));
    QVERIFY(!hid_open_path(nullptr));
    hid_close(nullptr);
    // Two handles on one interface, as hidraw allows.
    const Handle first = open(QStringLiteral("sim:1:0"));
    const Handle second = open(QStringLiteral("sim:1:0"));
    QVERIFY(first && second && first.get() != second.get());
    QCOMPARE(send(second.get(), report("06 a0 b0 01 c0 20 a1")), ReportSize);
    QVERIFY(state(1).live.ledPower);
}

void TestSimBus::refusedExchanges_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("nullData");
    QTest::newRow("short buffer") << 64 << false;
    QTest::newRow("long buffer") << 66 << false;
    QTest::newRow("empty buffer") << 0 << false;
    QTest::newRow("no buffer") << 65 << true;
}

void TestSimBus::refusedExchanges()
{
    QFETCH(int, length);
    QFETCH(bool, nullData);
    plug(QStringLiteral("v2000"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    QByteArray buffer = report("06 a0 b0 01 c0 20 a1") + QByteArray(8, '\0');
    unsigned char *data = nullData ? nullptr : reinterpret_cast<unsigned char *>(buffer.data());

    QCOMPARE(hid_send_feature_report(device.get(), data, size_t(length)), -1);
    buffer[0] = 1;
    QCOMPARE(hid_get_feature_report(device.get(), data, size_t(length)), -1);
    QCOMPARE(buffer.mid(1, 6).toHex(), QByteArray("a0b001c020a1"));
    QVERIFY(!state(1).live.ledPower);
    QCOMPARE(hid_get_feature_report(nullptr, data, 65), -1);
    QVERIFY(hid_error(nullptr));
}

void TestSimBus::unknownReports_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("reportId");
    QTest::newRow("v2000 unknown id") << "v2000" << 0x63;
    QTest::newRow("v2000 command report is send-only") << "v2000" << 6;
    QTest::newRow("v1100 channel report is send-only") << "v1100" << 16;
    QTest::newRow("v1100 unknown id") << "v1100" << 7;
}

void TestSimBus::unknownReports()
{
    QFETCH(QString, item);
    QFETCH(int, reportId);
    plug(item);
    const Handle device = open(QStringLiteral("sim:1:0"));
    const QString before = describe(state(1).live);

    int result = 0;
    QCOMPARE(get(device.get(), quint8(reportId), &result), report(QByteArray::number(reportId, 16).rightJustified(2, '0')));
    QCOMPARE(result, -1);
    QCOMPARE(send(device.get(), report("63 a0 b0 01 c0 20 a1 01 01")), ReportSize);
    QCOMPARE(describe(state(1).live), before);
}

void TestSimBus::onlyPrimaryInterfaceAnswers()
{
    plug(QStringLiteral("v2000,interfaces=3,primary=1"));
    for (int k = 0; k < 3; ++k) {
        const Handle device = open(QStringLiteral("sim:1:%1").arg(k));
        QVERIFY(device);
        const int expected = k == 1 ? ReportSize : -1;
        int result = 0;
        get(device.get(), 1, &result);
        QCOMPARE(result, expected);
        QCOMPARE(send(device.get(), report("06 a0 b0 01 c0 20 a1")), expected);
    }
}

void TestSimBus::sendAndGetFaults_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("ops");          // s = send, g = get
    QTest::addColumn<QString>("expected");     // + ok, - failed

    QTest::newRow("send 2") << int(Fault::Send) << 2 << "gsssg" << "+--++";
    QTest::newRow("get 1") << int(Fault::Get) << 1 << "sggs" << "+-++";
    QTest::newRow("get 3") << int(Fault::Get) << 3 << "ggggs" << "---++";
    QTest::newRow("count 0 changes nothing") << int(Fault::Send) << 0 << "sg" << "++";
}

void TestSimBus::sendAndGetFaults()
{
    QFETCH(int, fault);
    QFETCH(int, count);
    QFETCH(QString, ops);
    QFETCH(QString, expected);
    plug(QStringLiteral("v2000,interfaces=2"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    QVERIFY(Bus::instance().injectFault(QStringLiteral("sim:1:0"), Fault(fault), count));
    // Faults belong to one path.
    QVERIFY(Bus::instance().injectFault(QStringLiteral("sim:1:1"), Fault::Send, 5));

    QString seen;
    for (const QChar op : ops) {
        int result = 0;
        if (op == QLatin1Char('s'))
            result = send(device.get(), report("06 a0 b0 01 c0 20 a1"));
        else
            get(device.get(), 1, &result);
        seen += result > 0 ? QLatin1Char('+') : QLatin1Char('-');
    }
    QCOMPARE(seen, expected);
    QVERIFY(!Bus::instance().injectFault(QStringLiteral("sim:9:0"), Fault(fault), count));
}

void TestSimBus::silentDevice()
{
    plug(QStringLiteral("v2000,interfaces=2"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    Bus::instance().setSilentDelayMs(60);
    QVERIFY(Bus::instance().injectFault(QStringLiteral("sim:1:1"), Fault::Silent));

    QElapsedTimer clock;
    clock.start();
    int result = 0;
    get(device.get(), 1, &result);
    QCOMPARE(result, -1);
    QCOMPARE(send(device.get(), report("06 a0 b0 01 c0 20 a1")), -1);
    QVERIFY(clock.elapsed() >= 100);
    QVERIFY(!state(1).live.ledPower);

    // Still silent after many exchanges; gone for good after the unplug.
    get(device.get(), 1, &result);
    QCOMPARE(result, -1);
    Bus::instance().unplug(1);
    get(device.get(), 1, &result);
    QCOMPARE(result, -1);
    QCOMPARE(Bus::instance().log().last().op, QStringLiteral("get-failed"));
}

void TestSimBus::garbageIsDeterministic()
{
    plug(QStringLiteral("v2000"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    const QByteArray status = get(device.get(), 1);
    Bus::instance().injectFault(QStringLiteral("sim:1:0"), Fault::Garbage, 2);

    int result = 0;
    const QByteArray first = get(device.get(), 1, &result);
    QCOMPARE(result, ReportSize);
    const QByteArray second = get(device.get(), 1, &result);
    QCOMPARE(result, ReportSize);
    QCOMPARE(first.at(0), '\x01');
    QVERIFY(first != status && second != first);
    QCOMPARE(get(device.get(), 1), status);

    Bus::instance().reset();
    plug(QStringLiteral("v2000"));
    const Handle again = open(QStringLiteral("sim:1:0"));
    Bus::instance().injectFault(QStringLiteral("sim:1:0"), Fault::Garbage);
    QCOMPARE(get(again.get(), 1), first);
}

void TestSimBus::queuedReplies()
{
    plug(QStringLiteral("v1100,interfaces=2"));
    const QString path = QStringLiteral("sim:1:0");
    const Handle device = open(path);
    const QByteArray identity = get(device.get(), 1);
    const QByteArray longer = QByteArray(70, '\x5a');
    QVERIFY(Bus::instance().queueReply(path, report("02 ff")));
    QVERIFY(Bus::instance().queueReply(path, longer));
    QVERIFY(Bus::instance().injectFault(path, Fault::Get));
    QVERIFY(!Bus::instance().queueReply(QStringLiteral("sim:9:0"), report("01")));

    // The failure comes first; then the replies as queued, whatever id was asked.
    int result = 0;
    get(device.get(), 1, &result);
    QCOMPARE(result, -1);
    QCOMPARE(get(device.get(), 1, &result), report("02 ff"));
    QCOMPARE(result, ReportSize);
    QCOMPARE(get(device.get(), 10), longer.left(ReportSize));
    QCOMPARE(Bus::instance().log().last().buffer, longer.left(ReportSize));
    QCOMPARE(get(device.get(), 1), identity);

    // Even an interface that never answers gives what was queued for it.
    const Handle other = open(QStringLiteral("sim:1:1"));
    Bus::instance().queueReply(QStringLiteral("sim:1:1"), report("01 02"));
    QCOMPARE(get(other.get(), 1), report("01 02"));

    // Queued replies die with the controller and wait behind a silence.
    Bus::instance().setSilentDelayMs(0);
    Bus::instance().queueReply(path, report("01"));
    Bus::instance().injectFault(path, Fault::Silent);
    get(device.get(), 1, &result);
    QCOMPARE(result, -1);
    Bus::instance().unplug(1);
    plug(QStringLiteral("v1100"));
    const Handle fresh = open(QStringLiteral("sim:2:0"));
    QCOMPARE(get(fresh.get(), 1).mid(1, 6), identity.mid(1, 6));
}

void TestSimBus::unplugKillsOpenHandles()
{
    plug(QStringLiteral("v2000"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    QVERIFY(Bus::instance().unplugPath(QStringLiteral("sim:1:0")));
    QVERIFY(!Bus::instance().unplugPath(QStringLiteral("sim:1:0")));

    int result = 0;
    get(device.get(), 1, &result);
    QCOMPARE(result, -1);
    QCOMPARE(send(device.get(), report("06 a0 b0 01 c0 20 a1")), -1);
    QVERIFY(!open(QStringLiteral("sim:1:0")));
    QCOMPARE(plug(QStringLiteral("v2000")), 2);
    QCOMPARE(Bus::instance().paths(), QStringList{"sim:2:0"});
}

void TestSimBus::resetKillsOldHandles()
{
    plug(QStringLiteral("v2000"));
    const Handle old = open(QStringLiteral("sim:1:0"));
    Bus::instance().reset();
    QCOMPARE(plug(QStringLiteral("v2000")), 1);

    int result = 0;
    get(old.get(), 1, &result);
    QCOMPARE(result, -1);
    const Handle fresh = open(QStringLiteral("sim:1:0"));
    get(fresh.get(), 1, &result);
    QCOMPARE(result, ReportSize);
}

void TestSimBus::hotplugListeners()
{
    QStringList heard;
    QStringList pathsSeen;
    const int id = Bus::instance().addHotplugListener([&](bool arrived, const QString &path) {
        heard.append((arrived ? QLatin1String("+") : QLatin1String("-")) + path);
        // Calling back into the bus would deadlock if the bus were still locked.
        pathsSeen = Bus::instance().paths();
    });

    plug(QStringLiteral("v1100,interfaces=2"));
    QCOMPARE(pathsSeen, (QStringList{"sim:1:0", "sim:1:1"}));
    Bus::instance().unplugPath(QStringLiteral("sim:1:1"));
    QCOMPARE(pathsSeen, QStringList());
    plug(QStringLiteral("v2000"));
    Bus::instance().reset();
    Bus::instance().removeHotplugListener(id);
    plug(QStringLiteral("v2000"));

    QCOMPARE(heard, (QStringList{"+sim:1:0", "+sim:1:1", "-sim:1:0", "-sim:1:1", "+sim:2:0", "-sim:2:0"}));
}

void TestSimBus::logEntries()
{
    plug(QStringLiteral("v2000"));
    const Handle device = open(QStringLiteral("sim:1:0"));
    send(device.get(), report("06 a0 b0 01 c0 20 a1"));
    Bus::instance().injectFault(QStringLiteral("sim:1:0"), Fault::Get);
    QByteArray asked = report("01 ee");
    hid_get_feature_report(device.get(), reinterpret_cast<unsigned char *>(asked.data()), 65);
    const QByteArray status = get(device.get(), 1);
    Bus::instance().unplug(1);

    const QVector<LogEntry> log = Bus::instance().log();
    QStringList lines;
    for (const LogEntry &entry : log)
        lines.append(entry.toLine().section(QLatin1Char(' '), 1));
    const QString hex = QString::fromLatin1(report("06 a0 b0 01 c0 20 a1").toHex());
    QCOMPARE(lines, (QStringList{
        "plug sim:1:0",
        "sim:1:0 send " + hex,
        "sim:1:0 get-failed " + QString::fromLatin1(report("01 ee").toHex()),
        "sim:1:0 get " + QString::fromLatin1(status.toHex()),
        "unplug sim:1:0",
    }));
    QCOMPARE(status.at(5), '\x01');
    for (int i = 1; i < log.size(); ++i)
        QVERIFY(log.at(i).ms >= log.at(i - 1).ms);
    Bus::instance().clearLog();
    QVERIFY(Bus::instance().log().isEmpty());
}

QTEST_GUILESS_MAIN(TestSimBus)
#include "tst_simbus.moc"
