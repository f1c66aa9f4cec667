// SPDX-License-Identifier: GPL-3.0-or-later
// What both protocols promise alike, run over each of them.

#include "corvanedrivernames.h"
#include "corvanehiddriver.h"
#include "protocoltestkit.h"

#include <QElapsedTimer>
#include <QTest>

#include <optional>


using namespace ProtocolTestKit;
using CorvaneSim::Bus;
using CorvaneSim::ControllerState;
namespace Names = CorvaneDriverNames::Driver;

namespace {

Kind otherKind(Kind kind)
{
    return kind == Kind::V1100 ? Kind::V2000 : Kind::V1100;
}

// Every operation that needs the device, with arguments that would succeed on an open one.
QList<Operation> deviceOperations()
{
    using P = CorvaneHIDDriverIfBase;
    return {
        [](P &p) { return p.writeFanDuty(0, 50); },
        [](P &p) { return p.setLEDPower(true); },
        [](P &p) { return p.writeLEDLaw(channels(), 20, 10); },
        [](P &p) { return p.saveSettings(); },
        [](P &p) { QObject driver; return p.updatePhyDeviceRealtimePropertyToDriverObject(&driver); },
        [](P &p) { QObject driver; return p.updatePhyDeviceReadWritePropertyToDriverObject(&driver); },
        [](P &p) { QObject driver; return p.updatePhyDeviceReadOnlyPropertyToDriverObject(&driver); },
    };
}

/**
 * A driver and its protocol. The driver works on its I/O thread; the suite
 * touches the protocol itself only once the driver has settled, and the
 * driver polls only when the suite asks it to.
 */
struct Driven
{
    CorvaneHIDDriver driver{CorvaneHIDDriver::Timing{std::chrono::hours(1)}};
    CorvaneHIDDriverIfBase *protocol;

    explicit Driven(Kind kind)
        : protocol(makeProtocol(kind, &driver).release())
    {
        driver.setProtocol(protocol);
    }

    bool open(const QString &path)
    {
        std::optional<CorvaneOpenResult> result;
        driver.open(path, [&result](CorvaneOpenResult r) { result = r; });
        return QTest::qWaitFor([&result] { return result.has_value(); }, 10000)
            && *result == CorvaneOpenResult::Opened;
    }

    bool close(const QString &path)
    {
        const bool closed = driver.close(path);
        settle();
        return closed;
    }

    void settle()
    {
        bool settled = false;
        driver.whenSettled([&settled] { settled = true; });
        QVERIFY(QTest::qWaitFor([&settled] { return settled; }, 10000));
    }
};

} // namespace

class TestProtocolConformance final : public QObject
{
    Q_OBJECT

private slots:
    void metaCastGivesInterface_data() { addKindRows(); }
    void metaCastGivesInterface();
    void driverOpenFillsEveryProperty_data();
    void driverOpenFillsEveryProperty();
    void probeRejectsOtherKind_data() { addKindRows(); }
    void probeRejectsOtherKind();
    void closeReleasesHandle_data() { addKindRows(); }
    void closeReleasesHandle();
    void withoutHandleNothingIsSent_data();
    void withoutHandleNothingIsSent();
    void commandRoundTrip_data();
    void commandRoundTrip();
    void sendFailureMidUploadLeavesLedOff_data() { addKindRows(); }
    void sendFailureMidUploadLeavesLedOff();
    void uploadIsPaced_data();
    void uploadIsPaced();
    void garbageRepliesAreSurvived_data() { addKindRows(); }
    void garbageRepliesAreSurvived();
    void saveKeepsStoredAutoRun_data();
    void saveKeepsStoredAutoRun();
};

void TestProtocolConformance::metaCastGivesInterface()
{
    QFETCH(Kind, kind);
    const auto protocol = makeProtocol(kind);
    auto *object = dynamic_cast<QObject *>(protocol.get());
    QVERIFY(object);
    QCOMPARE(object->qt_metacast("CorvaneHIDDriverIfBase"), static_cast<void *>(protocol.get()));
}

void TestProtocolConformance::driverOpenFillsEveryProperty_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QVariantMap>("expected");
    QTest::addColumn<QList<int>>("getOrder");

    const QByteArray cpuid = QByteArray::fromHex("00112233445566778899aabb");
    // Spelt out rather than taken from corvanedrivernames.h: these are the
    // names the program has always read, so a slip in that header shows here.
    const QVariantMap shared = {
        {"fanDuty0", 0}, {"fanDuty1", 0}, {"fanDuty2", 0}, {"fanDuty3", 0},
        {"intervalTimeMS", 0}, {"lawCount", 0}, {"CPUID", cpuid},
    };
    QVariantMap v1100 = shared;
    v1100.insert({
        {"powerAdapter", QVariant::fromValue(35.86f)},
        {"fanAutoRun", false}, {"LEDPower", false}, {"LEDAutoRun", false},
        {"firmwareVersion", 0x1105}, {"protocolVersion", 0x1101},
        {"hardwareVersion", 21}, {"model", 1},
        {"fanShutdownOnDisconnect", false}, {"LEDShutdownOnDisconnect", false},
    });
    QVariantMap v2000 = shared;
    v2000.insert({
        {"powerAdapter", QVariant::fromValue(35.86f)},
        {"fanAutoRun", 0}, {"LEDPower", 0}, {"LEDAutoRun", 0},
        {"firmwareVersion", 0x2003}, {"protocolVersion", 0x2001},
        {"hardwareVersion", 22}, {"model", 7},
        {"fanShutdownOnDisconnect", 0}, {"LEDShutdownOnDisconnect", 0},
        {"manfDate", 20240315u}, {"manfID", 0x0101},
        {"fanCurrentRPM0", 0u}, {"fanCurrentRPM1", 0u}, {"fanCurrentRPM2", 0u}, {"fanCurrentRPM3", 0u},
    });
    const QString identity = QStringLiteral("adapter=4095,cpuid=%1,").arg(QString::fromLatin1(cpuid.toHex()));
    QTest::newRow("v1100") << Kind::V1100 << identity + "fw=0x1105,proto=0x1101,hw=22,model=5" << v1100
                           << QList<int>{1, 2, 3, 10, 1};
    QTest::newRow("v2000") << Kind::V2000 << identity + "fw=0x2003,proto=0x2001,hw=22,model=7" << v2000
                           << QList<int>{1, 1};
}

void TestProtocolConformance::driverOpenFillsEveryProperty()
{
    QFETCH(Kind, kind);
    QFETCH(QString, options);
    QFETCH(QVariantMap, expected);
    QFETCH(QList<int>, getOrder);

    const QString path = plugOnly(controllerText(kind, options));
    Driven driven(kind);
    QVERIFY(driven.open(path));

    const QVariantMap actual = dynamicProperties(driven.driver);
    QCOMPARE(actual.keys(), expected.keys());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QCOMPARE(actual.value(it.key()).userType(), it.value().userType());
        QCOMPARE(actual.value(it.key()), it.value());
    }
    QList<int> gets;
    for (const QByteArray &buffer : logged(QStringLiteral("get")))
        gets.append(quint8(buffer.at(0)));
    QCOMPARE(gets, getOrder);
    QVERIFY(driven.close(path));
}

void TestProtocolConformance::probeRejectsOtherKind()
{
    QFETCH(Kind, kind);
    const QString own = plugOnly(controllerText(kind));
    const QString other = plug(controllerText(otherKind(kind)));

    Driven driven(kind);
    QVERIFY(!driven.open(other));
    QVERIFY(!driven.protocol->isOpen());
    QVERIFY(!driven.protocol->probe(nullptr));
    QVERIFY(!driven.open(QStringLiteral("sim:99:0")));

    // A protocol that already holds a device keeps it; the driver lets go of it.
    QVERIFY(driven.protocol->open(own));
    QVERIFY(!driven.protocol->open(other));
    QVERIFY(driven.protocol->isOpen());
    QVERIFY(!driven.open(other));
    QVERIFY(!driven.protocol->isOpen());
}

void TestProtocolConformance::closeReleasesHandle()
{
    QFETCH(Kind, kind);
    const QString path = plugOnly(controllerText(kind));
    Driven driven(kind);
    QVERIFY(driven.open(path));
    QVERIFY(driven.protocol->isOpen());
    QVERIFY(!driven.close(QStringLiteral("sim:2:0")));
    QVERIFY(driven.protocol->isOpen());
    QVERIFY(driven.close(path.toUpper()));
    QVERIFY(!driven.protocol->isOpen());
    QVERIFY(driven.protocol->close());
    // The same driver serves the controller again after a close.
    QVERIFY(driven.open(path));
    QVERIFY(driven.protocol->isOpen());
}

void TestProtocolConformance::withoutHandleNothingIsSent_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<bool>("openedBefore");
    QTest::newRow("v1100 never opened") << Kind::V1100 << false;
    QTest::newRow("v1100 closed") << Kind::V1100 << true;
    QTest::newRow("v2000 never opened") << Kind::V2000 << false;
    QTest::newRow("v2000 closed") << Kind::V2000 << true;
}

void TestProtocolConformance::withoutHandleNothingIsSent()
{
    QFETCH(Kind, kind);
    QFETCH(bool, openedBefore);
    const QString path = plugOnly(controllerText(kind));
    const auto protocol = makeProtocol(kind);
    if (openedBefore) {
        QVERIFY(protocol->open(path));
        QVERIFY(protocol->close());
    }
    Bus::instance().clearLog();

    const auto operations = deviceOperations();
    for (const Operation &operation : operations)
        QVERIFY(!operation(*protocol));
    QVERIFY(Bus::instance().log().isEmpty());
}

// The byte images pin what the plug-in sends and the simulator's protocol
// suite what a report does to the controller; here each command goes the whole
// way, out to the controller and back in through the protocol's own reads.
void TestProtocolConformance::commandRoundTrip_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QVariantMap>("readBack");   // property -> value

    using P = CorvaneHIDDriverIfBase;
    const QList<Kind> kinds = {Kind::V1100, Kind::V2000};
    for (Kind kind : kinds) {
        const QByteArray prefix = kind == Kind::V1100 ? "v1100 " : "v2000 ";
        const auto row = [&](const char *name) { return &(QTest::newRow(prefix + name) << kind); };
        *row("fan 1 duty 75") << Operation([](P &p) { return p.writeFanDuty(1, 75); })
                              << QVariantMap{{Names::fanDutyProperty(1), 75}};
        *row("fan 3 duty 100") << Operation([](P &p) { return p.writeFanDuty(3, 100); })
                               << QVariantMap{{Names::fanDutyProperty(3), 100}};
        *row("LED on") << Operation([](P &p) { return p.setLEDPower(true); })
                       << QVariantMap{{Names::LedPower, 1}};
        *row("LED off") << Operation([](P &p) { return p.setLEDPower(true) && p.setLEDPower(false); })
                        << QVariantMap{{Names::LedPower, 0}};
        *row("law upload") << Operation([](P &p) { return p.writeLEDLaw(channels(), 35, 200); })
                           << QVariantMap{{Names::IntervalTimeMs, 35}, {Names::LawCount, 200}, {Names::LedPower, 1}};
        // v1100 sends its auto-run flags only with a save.
        *row("fan auto-run saved") << Operation([](P &p) { return p.setFanAutoRun(true) && p.saveSettings(); })
                                   << QVariantMap{{Names::FanAutoRun, 1}};
        *row("LED auto-run saved") << Operation([](P &p) { return p.setLEDAutoRun(true) && p.saveSettings(); })
                                   << QVariantMap{{Names::LedAutoRun, 1}};
    }
    // The shut-down flags are bit 1 of the v2000 flag bytes.
    QTest::newRow("v2000 fan hibernate") << Kind::V2000 << Operation([](P &p) { return p.setFanAutoHibernate(true); })
                                         << QVariantMap{{Names::FanShutdownOnDisconnect, 2}};
    QTest::newRow("v2000 LED hibernate") << Kind::V2000 << Operation([](P &p) { return p.setLEDAutoHibernate(true); })
                                         << QVariantMap{{Names::LedShutdownOnDisconnect, 2}};
}

void TestProtocolConformance::commandRoundTrip()
{
    QFETCH(Kind, kind);
    QFETCH(Operation, operation);
    QFETCH(QVariantMap, readBack);

    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(plugOnly(controllerText(kind))));
    QVERIFY(operation(*protocol));

    QObject driver;
    QVERIFY(protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driver));
    for (auto it = readBack.cbegin(); it != readBack.cend(); ++it) {
        const QVariant value = driver.property(qPrintable(it.key()));
        QVERIFY2(value.isValid(), qPrintable(it.key()));
        QCOMPARE(value.toInt(), it.value().toInt());
    }
}

void TestProtocolConformance::sendFailureMidUploadLeavesLedOff()
{
    QFETCH(Kind, kind);
    const QString path = plugOnly(controllerText(kind));
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));
    QVERIFY(protocol->setLEDPower(true));
    Bus::instance().clearLog();

    // LED off, the header and block A go through, then the second report of
    // block B (id 33) fails.
    QVERIFY(Bus::instance().injectFault(path, CorvaneSim::Fault::Send, 1, 7));
    QVERIFY(!protocol->writeLEDLaw(channels(), 20, 10));

    const QList<int> ids = sentReportIds();
    const QList<QByteArray> failed = logged(QStringLiteral("send-failed"));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(int(quint8(failed.first().at(0))), 33);
    // The failed report ends its block and the upload: no rest of B, no block C, no LED on.
    QCOMPARE(ids.last(), 33);
    QVERIFY(!state(path).live.ledPower);
}

void TestProtocolConformance::uploadIsPaced_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<int>("minimumCallMs");
    QTest::addColumn<int>("minimumLogSpanMs");
    QTest::addColumn<int>("minimumHeaderGapMs");
    // v2000: 10 ms after LED off, 12 block reports of 10 ms, 10 ms after LED on.
    QTest::newRow("v2000") << Kind::V2000 << 140 << 130 << 10;
    // v1100: 100 ms before the header, 12 block reports of 10 ms, 100 ms before LED on.
    QTest::newRow("v1100") << Kind::V1100 << 320 << 320 << 100;
}

void TestProtocolConformance::uploadIsPaced()
{
    QFETCH(Kind, kind);
    QFETCH(int, minimumCallMs);
    QFETCH(int, minimumLogSpanMs);
    QFETCH(int, minimumHeaderGapMs);

    const QString path = plugOnly(controllerText(kind));
    const auto protocol = makeProtocol(kind);
    QVERIFY(protocol->open(path));
    Bus::instance().clearLog();

    QElapsedTimer timer;
    timer.start();
    QVERIFY(protocol->writeLEDLaw(channels(), 20, 10));
    QVERIFY(timer.elapsed() >= minimumCallMs);

    QList<qint64> sends;
    const auto entries = Bus::instance().log();
    for (const auto &entry : entries)
        sends.append(entry.ms);
    QCOMPARE(sends.size(), 15);
    QVERIFY(sends.last() - sends.first() >= minimumLogSpanMs);
    QVERIFY(sends.at(1) - sends.at(0) >= minimumHeaderGapMs);
    for (int i = 3; i < 15; ++i)
        QVERIFY(sends.at(i) - sends.at(i - 1) >= 10);
}

void TestProtocolConformance::garbageRepliesAreSurvived()
{
    QFETCH(Kind, kind);
    const QString path = plugOnly(controllerText(kind));
    Driven driven(kind);
    QVERIFY(driven.open(path));
    Bus::instance().injectFault(path, CorvaneSim::Fault::Garbage, 1000);
    for (int round = 0; round < 20; ++round) {
        QMetaObject::invokeMethod(&driven.driver, "updateTimeout");
        driven.settle();
        driven.protocol->updatePhyDeviceReadOnlyPropertyToDriverObject(&driven.driver);
        QVERIFY(driven.protocol->writeFanDuty(1, 50));
    }
    QVERIFY(driven.close(path));
    for (int round = 0; round < 20; ++round) {
        if (driven.open(path))
            QVERIFY(driven.close(path));
    }
    // Nothing of the garbage sticks: a clean controller opens as usual.
    Bus::instance().reset();
    QVERIFY(driven.open(plug(controllerText(kind))));
}

void TestProtocolConformance::saveKeepsStoredAutoRun_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("before");   // options of a controller opened and closed first, if any
    QTest::addColumn<QString>("saved");
    QTest::addColumn<bool>("settingsUnread");   // v1100: its fan and LED reports fail at open
    QTest::addColumn<bool>("fanAutoRun");
    QTest::addColumn<bool>("ledAutoRun");

    QTest::newRow("v1100 fan auto-run stored") << Kind::V1100 << QString() << "fanautorun=1" << false << true << false;
    QTest::newRow("v1100 LED auto-run stored") << Kind::V1100 << QString() << "ledautorun=1" << false << false << true;
    QTest::newRow("v1100 after one with both stored")
        << Kind::V1100 << "fanautorun=1,ledautorun=1" << QString() << false << false << false;
    QTest::newRow("v1100 unread, after one with both stored")
        << Kind::V1100 << "fanautorun=1,ledautorun=1" << QString() << true << false << false;
    QTest::newRow("v2000 both stored")
        << Kind::V2000 << QString() << "fanautorun=1,ledautorun=1" << false << true << true;
}

// SAVE pressed without touching the auto-run boxes stores what the controller had.
void TestProtocolConformance::saveKeepsStoredAutoRun()
{
    QFETCH(Kind, kind);
    QFETCH(QString, before);
    QFETCH(QString, saved);
    QFETCH(bool, settingsUnread);
    Bus::instance().reset();
    Driven driven(kind);
    if (!before.isNull()) {
        const QString first = plug(controllerText(kind, before));
        QVERIFY(driven.open(first));
        QVERIFY(driven.close(first));
    }
    const QString path = plug(controllerText(kind, saved));
    // After the probe's identity and the power report.
    if (settingsUnread)
        QVERIFY(Bus::instance().injectFault(path, CorvaneSim::Fault::Get, 2, 2));
    QVERIFY(driven.open(path));
    driven.driver.saveConfiguration();
    driven.settle();

    const ControllerState controller = state(path);
    QVERIFY(controller.saveCount > 0);
    QTEST(controller.stored.fanAutoRun, "fanAutoRun");
    QTEST(controller.stored.ledAutoRun, "ledAutoRun");
}

QTEST_GUILESS_MAIN(TestProtocolConformance)
#include "tst_protocolconformance.moc"
