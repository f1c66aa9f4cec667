// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanedrivernames.h"
#include "corvanehiddriver.h"
#include "corvanehiddriverifbase.h"
#include "msgpackbuilder.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <optional>

using namespace MsgPackBuilder;
using namespace std::chrono_literals;
namespace Names = CorvaneDriverNames::Driver;

namespace {

// The suite's drivers poll this often, so that it waits for no second-long
// polls; openReadsAndPolls checks the product's own interval.
constexpr std::chrono::milliseconds TestPollInterval = 100ms;
// Long enough for three polls, for checks that none comes.
constexpr int NoPollWaitMs = int(3 * TestPollInterval.count());

/**
 * Stands in for a protocol: records every call and answers as configured.
 * The driver calls it on its I/O thread, the suite reads it on its own.
 */
class RecordingProtocol final : public QObject, public CorvaneHIDDriverIfBase
{
public:
    using QObject::QObject;

    QStringList calls() const
    {
        QMutexLocker locker(&mutex);
        return recorded;
    }
    QVector<QByteArray> lastChannels() const
    {
        QMutexLocker locker(&mutex);
        return channelsSent;
    }
    void clearCalls()
    {
        QMutexLocker locker(&mutex);
        recorded.clear();
    }

    std::atomic<bool> openResult = true;
    std::atomic<bool> realtimeReadWorks = true;
    std::atomic<int> realtimeReads = 0;

    bool open(QString devPath) override { return record("open(" + devPath + ")", openResult); }
    bool close() override { return record("close()", true); }
    bool writeFanDuty(quint8 fanIndex, quint8 duty) override
    {
        // Refused, so the driver's record of the duty is seen not to depend on it.
        return record(QStringLiteral("writeFanDuty(%1,%2)").arg(fanIndex).arg(duty), false);
    }
    bool setFanAutoRun(bool enable) override { return recordFlag("setFanAutoRun", enable); }
    bool setFanAutoHibernate(bool enable) override { return recordFlag("setFanAutoHibernate", enable); }
    bool setLEDPower(bool enable) override { return recordFlag("setLEDPower", enable); }
    bool setLEDAutoRun(bool enable) override { return recordFlag("setLEDAutoRun", enable); }
    bool setLEDAutoHibernate(bool enable) override { return recordFlag("setLEDAutoHibernate", enable); }
    bool writeLEDLaw(QVector<QByteArray> channels, quint16 intervalTimeMS, quint16 lawCount) override
    {
        {
            QMutexLocker locker(&mutex);
            channelsSent = channels;
        }
        return record(QStringLiteral("writeLEDLaw(%1,%2)").arg(intervalTimeMS).arg(lawCount), true);
    }
    bool reserved() override { return record("reserved()", false); }
    bool saveSettings() override { return record("saveSettings()", true); }
    bool updatePhyDeviceReadOnlyPropertyToDriverObject(QObject *driver) override
    {
        driver->setProperty(Names::PowerAdapter, 12.0f);
        return record("readAll()", true);
    }
    bool updatePhyDeviceReadWritePropertyToDriverObject(QObject *) override { return record("readWrite()", true); }
    bool updatePhyDeviceRealtimePropertyToDriverObject(QObject *driver) override
    {
        ++realtimeReads;
        if (realtimeReadWorks) {
            for (int fan = 0; fan < 4; ++fan)
                driver->setProperty(Names::fanRpmProperty(fan), 1000u * (fan + 1));
            driver->setProperty(Names::PowerAdapter, 11.5f);
        }
        return realtimeReadWorks;
    }
    bool probe(hid_device *) override { return true; }

private:
    bool record(const QString &call, bool result)
    {
        QMutexLocker locker(&mutex);
        recorded << call;
        return result;
    }
    bool recordFlag(const char *operation, bool enable)
    {
        return record(QStringLiteral("%1(%2)").arg(QLatin1String(operation), enable ? "true" : "false"), true);
    }

    mutable QMutex mutex;
    QStringList recorded;
    QVector<QByteArray> channelsSent;
};

/// Opens @p driver and waits for the I/O thread's answer.
CorvaneOpenResult openAndWait(CorvaneHIDDriver &driver, const QString &path)
{
    std::optional<CorvaneOpenResult> result;
    driver.open(path, [&result](CorvaneOpenResult r) { result = r; });
    if (!QTest::qWaitFor([&result] { return result.has_value(); }, 5000))
        return CorvaneOpenResult::Refused;
    return *result;
}

CorvaneLEDLaw sampleLaw(quint16 interval, quint16 count)
{
    CorvaneLEDLaw law;
    law.intervalTimeMS = interval;
    law.lawCount = count;
    law.CH1.fill('\x01');
    law.CH2.fill('\x02');
    law.CH3.fill('\x03');
    return law;
}

QByteArray sampleLawFile(quint16 interval, quint16 count)
{
    return document(lawEntries(sampleLaw(interval, count)));
}

/// A valid law file of exactly @p size bytes, padded with an unknown key.
QByteArray paddedLawFile(int size)
{
    const QByteArrayList entries = lawEntries(sampleLaw(50, 64));
    const int padKeyAndHeader = 4 + 3;   // fixstr "Pad", str 16 header
    const int padding = size - document(entries + QByteArrayList{QByteArray()}).size() - padKeyAndHeader;
    return document(entries + QByteArrayList{str("Pad") + sized(0xda, quint64(padding), 2) + QByteArray(padding, ' ')});
}

} // namespace

class TestCorvaneHIDDriver : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void metaObjectTable_data();
    void metaObjectTable();
    void slotsCallProtocol_data();
    void slotsCallProtocol();
    void sendLEDLawFile_data();
    void sendLEDLawFile();
    void sendLEDLawFileFromResource();
    void sendLEDLawFileUnreadable_data();
    void sendLEDLawFileUnreadable();
    void openReadsAndPolls();
    void openFailureClosesProtocol();
    void close_data();
    void close();
    void pollRepeatsLastValues();
    void pollReceiverMayCallBack();

private:
    CorvaneHIDDriver *driver = nullptr;
    RecordingProtocol *protocol = nullptr;
};

void TestCorvaneHIDDriver::init()
{
    driver = new CorvaneHIDDriver(CorvaneHIDDriver::Timing{TestPollInterval});
    protocol = new RecordingProtocol(driver);
    driver->setProtocol(protocol);
}

void TestCorvaneHIDDriver::cleanup()
{
    delete driver;
    driver = nullptr;
}

void TestCorvaneHIDDriver::metaObjectTable_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<QByteArrayList>("parameterNames");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("access");

    const auto add = [](int index, const char *signature, const char *parameter, QMetaMethod::MethodType type,
                        QMetaMethod::Access access = QMetaMethod::Public) {
        QTest::newRow(signature) << index << QByteArray(signature)
                                 << (parameter ? QByteArrayList{parameter} : QByteArrayList()) << int(type)
                                 << int(access);
    };
    add(0, "fanRoundPerMinChanged0(int)", "rpm", QMetaMethod::Signal);
    add(1, "fanRoundPerMinChanged1(int)", "rpm", QMetaMethod::Signal);
    add(2, "fanRoundPerMinChanged2(int)", "rpm", QMetaMethod::Signal);
    add(3, "fanRoundPerMinChanged3(int)", "rpm", QMetaMethod::Signal);
    add(4, "devicePowerChanged(float)", "adapter", QMetaMethod::Signal);
    add(5, "enableFan0(int)", "duty", QMetaMethod::Slot);
    add(6, "enableFan1(int)", "duty", QMetaMethod::Slot);
    add(7, "enableFan2(int)", "duty", QMetaMethod::Slot);
    add(8, "enableFan3(int)", "duty", QMetaMethod::Slot);
    add(9, "enableAutohHibernateFan(bool)", "enable", QMetaMethod::Slot);
    add(10, "enableAutoRunFan(bool)", "enable", QMetaMethod::Slot);
    add(11, "enableLED(bool)", "enable", QMetaMethod::Slot);
    add(12, "enableAutohHibernateLED(bool)", "enable", QMetaMethod::Slot);
    add(13, "enableAutoRunLED(bool)", "enable", QMetaMethod::Slot);
    add(14, "sendLEDLawFile(QString)", "path", QMetaMethod::Slot);
    add(15, "saveConfiguration()", nullptr, QMetaMethod::Slot);
    add(16, "updateTimeout()", nullptr, QMetaMethod::Slot, QMetaMethod::Protected);
}

void TestCorvaneHIDDriver::metaObjectTable()
{
    QFETCH(int, index);
    const QMetaObject &meta = CorvaneHIDDriver::staticMetaObject;
    QCOMPARE(meta.methodCount() - meta.methodOffset(), 17);
    QCOMPARE(meta.propertyCount(), meta.propertyOffset());

    const QMetaMethod method = meta.method(meta.methodOffset() + index);
    QTEST(method.methodSignature(), "signature");
    QTEST(method.parameterNames(), "parameterNames");
    QTEST(int(method.methodType()), "type");
    QTEST(int(method.access()), "access");
    QCOMPARE(method.returnType(), int(QMetaType::Void));
}

void TestCorvaneHIDDriver::slotsCallProtocol_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QVariant>("argument");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QByteArray>("dutyProperty");

    const auto slot = [](const CorvaneDriverNames::Slot &slot) { return QByteArray(slot.name()); };
    const auto duty = [](int fan) { return QByteArray(Names::fanDutyProperty(fan)); };
    QTest::newRow("fan 0") << slot(Names::enableFan(0)) << QVariant(55) << "writeFanDuty(0,55)" << duty(0);
    QTest::newRow("fan 1 low byte") << slot(Names::enableFan(1)) << QVariant(300) << "writeFanDuty(1,44)" << duty(1);
    QTest::newRow("fan 2 negative") << slot(Names::enableFan(2)) << QVariant(-1) << "writeFanDuty(2,255)" << duty(2);
    QTest::newRow("fan 3") << slot(Names::enableFan(3)) << QVariant(100) << "writeFanDuty(3,100)" << duty(3);
    QTest::newRow("fan hibernate") << slot(Names::EnableAutoHibernateFan) << QVariant(true)
                                   << "setFanAutoHibernate(true)" << QByteArray();
    QTest::newRow("fan auto-run") << slot(Names::EnableAutoRunFan) << QVariant(false) << "setFanAutoRun(false)"
                                  << QByteArray();
    QTest::newRow("LED power") << slot(Names::EnableLed) << QVariant(true) << "setLEDPower(true)" << QByteArray();
    QTest::newRow("LED hibernate") << slot(Names::EnableAutoHibernateLed) << QVariant(false)
                                   << "setLEDAutoHibernate(false)" << QByteArray();
    QTest::newRow("LED auto-run") << slot(Names::EnableAutoRunLed) << QVariant(true) << "setLEDAutoRun(true)"
                                  << QByteArray();
    QTest::newRow("save") << slot(Names::SaveConfiguration) << QVariant() << "saveSettings()" << QByteArray();
}

void TestCorvaneHIDDriver::slotsCallProtocol()
{
    QFETCH(QByteArray, slot);
    QFETCH(QVariant, argument);
    QFETCH(QByteArray, dutyProperty);

    // Invoked by name and queued, the way the program calls the driver.
    bool invoked = false;
    if (argument.userType() == QMetaType::Int)
        invoked = QMetaObject::invokeMethod(driver, slot, Qt::QueuedConnection, Q_ARG(int, argument.toInt()));
    else if (argument.userType() == QMetaType::Bool)
        invoked = QMetaObject::invokeMethod(driver, slot, Qt::QueuedConnection, Q_ARG(bool, argument.toBool()));
    else
        invoked = QMetaObject::invokeMethod(driver, slot, Qt::QueuedConnection);
    QVERIFY(invoked);
    QTRY_COMPARE(protocol->calls().size(), 1);
    QTEST(protocol->calls().constFirst(), "call");

    if (!dutyProperty.isEmpty()) {
        const QVariant duty = driver->property(dutyProperty);
        QCOMPARE(duty.userType(), int(QMetaType::Int));
        QCOMPARE(duty.toInt(), int(quint8(argument.toInt())));
    }
}

void TestCorvaneHIDDriver::sendLEDLawFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("calls");

    const QStringList sent{"writeLEDLaw(50,64)"};
    QTest::newRow("valid") << sampleLawFile(50, 64) << sent;
    QTest::newRow("4095 bytes") << paddedLawFile(4095) << sent;
    QTest::newRow("4096 bytes") << paddedLawFile(4096) << QStringList();
    QTest::newRow("zero interval") << sampleLawFile(0, 64) << QStringList();
    QTest::newRow("zero count") << sampleLawFile(50, 0) << QStringList();
    QTest::newRow("not a law") << QByteArray("\x85not a law") << QStringList();
    QTest::newRow("empty") << QByteArray() << QStringList();
}

void TestCorvaneHIDDriver::sendLEDLawFile()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    QFile file(dir.filePath("law.adl"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), qint64(content.size()));
    file.close();

    // A file that is refused is refused at once, before anything is queued.
    driver->sendLEDLawFile(file.fileName());
    QFETCH(QStringList, calls);
    QTRY_COMPARE(protocol->calls(), calls);
    if (!calls.isEmpty())
        QCOMPARE(protocol->lastChannels(), sampleLaw(50, 64).channels());
}

void TestCorvaneHIDDriver::sendLEDLawFileFromResource()
{
    driver->sendLEDLawFile(QStringLiteral(":/res/ledfiles/cns3.adl"));
    QTRY_COMPARE(protocol->calls(), QStringList{"writeLEDLaw(1000,2)"});
    // Colour 3 is (255, 100, 0).
    const QVector<QByteArray> channels = protocol->lastChannels();
    QCOMPARE(channels.at(0).left(4), QByteArray("\xff\xff\xff\x00", 4));
    QCOMPARE(channels.at(1).left(4), QByteArray("\x64\x64\x64\x00", 4));
    QCOMPARE(channels.at(2), QByteArray(256, '\0'));
}

void TestCorvaneHIDDriver::sendLEDLawFileUnreadable_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << QStringLiteral("/nonexistent/law.adl");
    QTest::newRow("missing resource") << QStringLiteral(":/res/ledfiles/none.adl");
    QTest::newRow("directory") << QDir::tempPath();
    // Reports size 0 and never ends: must not be read without bound.
    QTest::newRow("endless device") << QStringLiteral("/dev/zero");
}

void TestCorvaneHIDDriver::sendLEDLawFileUnreadable()
{
    QFETCH(QString, path);
    driver->sendLEDLawFile(path);
    QCOMPARE(protocol->calls(), QStringList());
}

void TestCorvaneHIDDriver::openReadsAndPolls()
{
    // As the plug-in makes it: the first poll comes a second after open.
    CorvaneHIDDriver driver;
    auto *protocol = new RecordingProtocol(&driver);
    driver.setProtocol(protocol);
    QElapsedTimer clock;
    qint64 firstPollMs = -1;
    connect(&driver, &CorvaneHIDDriver::devicePowerChanged, this, [&] {
        if (firstPollMs < 0)
            firstPollMs = clock.elapsed();
    });
    clock.start();
    QCOMPARE(openAndWait(driver, QStringLiteral("/dev/hidraw3")), CorvaneOpenResult::Opened);
    QCOMPARE(protocol->calls(), (QStringList{"open(/dev/hidraw3)", "readAll()"}));
    QCOMPARE(driver.property(Names::PowerAdapter).toFloat(), 12.0f);
    QTRY_VERIFY_WITH_TIMEOUT(firstPollMs >= 0, 5000);
    QVERIFY2(firstPollMs >= 900, qPrintable(QString::number(firstPollMs)));
}

void TestCorvaneHIDDriver::openFailureClosesProtocol()
{
    protocol->openResult = false;
    QSignalSpy power(driver, &CorvaneHIDDriver::devicePowerChanged);
    QCOMPARE(openAndWait(*driver, QStringLiteral("/dev/hidraw3")), CorvaneOpenResult::Refused);
    QCOMPARE(protocol->calls(), (QStringList{"open(/dev/hidraw3)", "close()"}));
    QTest::qWait(NoPollWaitMs);
    QCOMPARE(power.count(), 0);
    QCOMPARE(protocol->realtimeReads.load(), 0);
}

void TestCorvaneHIDDriver::close_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("closed");
    QTest::newRow("same path") << QStringLiteral("/dev/hidraw3") << true;
    QTest::newRow("other letter case") << QStringLiteral("/DEV/HidRaw3") << true;
    QTest::newRow("other path") << QStringLiteral("/dev/hidraw4") << false;
}

void TestCorvaneHIDDriver::close()
{
    QFETCH(QString, path);
    QFETCH(bool, closed);
    QCOMPARE(openAndWait(*driver, QStringLiteral("/dev/HIDRAW3")), CorvaneOpenResult::Opened);
    protocol->clearCalls();

    QCOMPARE(driver->close(path), closed);
    if (closed)
        QTRY_VERIFY(protocol->calls().contains("close()"));
    else
        QVERIFY(!protocol->calls().contains("close()"));

    const int readsAtClose = protocol->realtimeReads;
    if (closed) {
        QTest::qWait(NoPollWaitMs);
        QCOMPARE(protocol->realtimeReads, readsAtClose);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(protocol->realtimeReads > readsAtClose, 5000);
    }
}

void TestCorvaneHIDDriver::pollRepeatsLastValues()
{
    QStringList emitted;
    QVector<qint64> tickTimes;
    QElapsedTimer clock;
    clock.start();
    using RpmSignal = void (CorvaneHIDDriver::*)(int);
    const RpmSignal rpmSignals[] = {&CorvaneHIDDriver::fanRoundPerMinChanged0, &CorvaneHIDDriver::fanRoundPerMinChanged1,
                                    &CorvaneHIDDriver::fanRoundPerMinChanged2, &CorvaneHIDDriver::fanRoundPerMinChanged3};
    for (int fan = 0; fan < 4; ++fan) {
        connect(driver, rpmSignals[fan], this,
                [&emitted, fan](int rpm) { emitted << QStringLiteral("rpm%1=%2").arg(fan).arg(rpm); });
    }
    connect(driver, &CorvaneHIDDriver::devicePowerChanged, this, [&](float volts) {
        emitted << QStringLiteral("power=%1").arg(double(volts));
        tickTimes << clock.elapsed();
        // The controller stops answering after the first read.
        protocol->realtimeReadWorks = false;
    });

    QCOMPARE(openAndWait(*driver, QStringLiteral("/dev/hidraw3")), CorvaneOpenResult::Opened);
    QTRY_VERIFY_WITH_TIMEOUT(tickTimes.size() >= 3, 10000);

    const QStringList tick{"rpm0=1000", "rpm1=2000", "rpm2=3000", "rpm3=4000", "power=11.5"};
    QCOMPARE(emitted.mid(0, 15), tick + tick + tick);
    QTRY_COMPARE(protocol->realtimeReads.load(), tickTimes.size());
    // Three polls take three intervals from open; a late tick only adds to it.
    // The allowance covers coarse timers firing up to 5 % early.
    const qint64 threeIntervalsMs = 3 * TestPollInterval.count();
    QVERIFY2(tickTimes.at(2) >= threeIntervalsMs * 85 / 100, qPrintable(QString::number(tickTimes.at(2))));
}

void TestCorvaneHIDDriver::pollReceiverMayCallBack()
{
    // A receiver connected directly that calls into the driver from the
    // poll's signal must not deadlock on the driver's lock.
    connect(driver, &CorvaneHIDDriver::devicePowerChanged, driver, [this] { driver->enableFan0(10); });
    QCOMPARE(openAndWait(*driver, QStringLiteral("/dev/hidraw3")), CorvaneOpenResult::Opened);
    QTRY_VERIFY_WITH_TIMEOUT(protocol->calls().contains("writeFanDuty(0,10)"), 5000);
}

QTEST_GUILESS_MAIN(TestCorvaneHIDDriver)
#include "tst_corvanehiddriver.moc"
