// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanedrivernames.h"
#include "fandutyprocessor.h"

#include <QtTest>

#include <memory>

using CorvaneDriverNames::Driver::fanDutyProperty;

namespace {

struct Call {
    int fan;
    int duty;
    qint64 atMS;
};

// The dust cycle runs at a quarter of its length; every step keeps its share.
constexpr int DustCycleMS = FanDutyProcessor::DustCycleMS / 4;

// Where @p ms into the real dust cycle falls in the shortened one.
int dustTime(int ms)
{
    return ms * DustCycleMS / FanDutyProcessor::DustCycleMS;
}

QList<int> dustTimes(const QList<int>& ms)
{
    QList<int> times;
    for (const int time : ms)
        times << dustTime(time);
    return times;
}

// 0, 10, 20, ... 100: level L has duty 10 L.
QByteArray tenSteps()
{
    QByteArray table;
    for (int duty = 0; duty <= 100; duty += 10)
        table.append(char(duty));
    return table;
}

QString describe(const QList<Call>& calls)
{
    QStringList parts;
    for (const Call& call : calls)
        parts << QStringLiteral("%1:%2").arg(call.fan).arg(call.duty);
    return parts.join(QLatin1Char(' '));
}

// The suite runs with debug output off; its checks read the debug lines.
QLoggingCategory::CategoryFilter previousFilter = nullptr;

void enableFanDutyDebug(QLoggingCategory* category)
{
    previousFilter(category);
    if (qstrcmp(category->categoryName(), "corvane.app.fanduty") == 0)
        category->setEnabled(QtDebugMsg, true);
}

} // namespace

// Records what the processor asks of a driver object, and when.
class RecordingDriver final : public QObject
{
    Q_OBJECT

public:
    QElapsedTimer clock;
    QList<Call> calls;

    QList<Call> callsOf(int fan) const
    {
        QList<Call> result;
        for (const Call& call : calls) {
            if (call.fan == fan)
                result << call;
        }
        return result;
    }

public slots:
    void enableFan0(int duty) { record(0, duty); }
    void enableFan1(int duty) { record(1, duty); }
    void enableFan2(int duty) { record(2, duty); }
    void enableFan3(int duty) { record(3, duty); }

private:
    void record(int fan, int duty) { calls << Call{fan, duty, clock.elapsed()}; }
};

class TestFanDutyProcessor final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void slotOrderInTheMetaObject();
    void levelOfDuty_data();
    void levelOfDuty();
    void currentDutyFromTheDriver_data();
    void currentDutyFromTheDriver();
    void unboundProcessorSchedulesNothing();
    void rebindingDropsCommandsOfTheEarlierConnection();
    void boostBurstDropsTheOlderSession();
    void backToBackSessionsBothRun();
    void dustCycle();

private:
    void checkTimes(const QList<Call>& calls, const QList<int>& delaysMS);

    std::unique_ptr<FanDutyProcessor> m_processor;
    RecordingDriver m_driver;
};

void TestFanDutyProcessor::initTestCase()
{
    previousFilter = QLoggingCategory::installFilter(enableFanDutyDebug);
}

void TestFanDutyProcessor::init()
{
    m_processor = std::make_unique<FanDutyProcessor>();
    m_driver.calls.clear();
    m_driver.clock.start();
}

// Coarse timers may fire up to 5 % early; lateness is not bounded here.
void TestFanDutyProcessor::checkTimes(const QList<Call>& calls, const QList<int>& delaysMS)
{
    QCOMPARE(calls.size(), delaysMS.size());
    for (int i = 0; i < calls.size(); ++i) {
        if (calls.at(i).atMS < delaysMS.at(i) * 9 / 10)
            QFAIL(qPrintable(QStringLiteral("call %1 came at %2 ms, expected at %3 ms")
                                 .arg(i).arg(calls.at(i).atMS).arg(delaysMS.at(i))));
    }
}

void TestFanDutyProcessor::slotOrderInTheMetaObject()
{
    const QMetaObject& meta = FanDutyProcessor::staticMetaObject;
    QStringList methods;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        methods << QString::fromLatin1(meta.method(i).methodSignature());
    QCOMPARE(methods, QStringList({"startFanDutySession()", "setFanDuty(int,int,int)",
                                 "finishFanDutySession()", "dust()"}));
}

void TestFanDutyProcessor::levelOfDuty_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("duty");
    QTest::addColumn<int>("level");

    const QByteArray fromTen = tenSteps().mid(1);
    QTest::newRow("0") << tenSteps() << 0 << 0;
    QTest::newRow("35 inside level 4's band") << tenSteps() << 35 << 4;
    QTest::newRow("40 at level 4's top") << tenSteps() << 40 << 4;
    QTest::newRow("100 at the top") << tenSteps() << 100 << 10;
    QTest::newRow("120 above the top") << tenSteps() << 120 << 10;
    QTest::newRow("below the first entry") << fromTen << 5 << 0;
    QTest::newRow("at the first entry") << fromTen << 10 << 0;
    QTest::newRow("no table") << QByteArray() << 50 << 0;
    QTest::newRow("one entry") << QByteArray("\x32") << 20 << 0;
    QTest::newRow("not ascending: first band holding it") << QByteArray::fromHex("320a3c") << 30 << 2;
    QTest::newRow("entries above 100") << QByteArray::fromHex("0064c8ff") << 201 << 3;
}

void TestFanDutyProcessor::levelOfDuty()
{
    QFETCH(QByteArray, table);
    QFETCH(int, duty);
    QFETCH(int, level);
    m_processor->setDutyTable(0, table);
    QCOMPARE(m_processor->levelOfDuty(0, quint8(duty)), level);
    QCOMPARE(m_processor->maxLevel(0), table.size() - 1);
}

void TestFanDutyProcessor::currentDutyFromTheDriver_data()
{
    QTest::addColumn<int>("property");
    QTest::addColumn<int>("duty");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("bladePeriod");

    QTest::newRow("stopped") << 0 << 0 << 0 << 200;
    QTest::newRow("between levels") << 35 << 35 << 4 << 165;
    QTest::newRow("full") << 100 << 100 << 10 << 100;
    QTest::newRow("199 turns fastest") << 199 << 199 << 10 << 1;
    QTest::newRow("255 stays positive") << 255 << 255 << 10 << 1;
    QTest::newRow("low 8 bits kept") << 300 << 44 << 5 << 156;
}

void TestFanDutyProcessor::currentDutyFromTheDriver()
{
    QFETCH(int, property);
    QFETCH(int, duty);
    QFETCH(int, level);
    QFETCH(int, bladePeriod);

    m_processor->setDutyTable(2, tenSteps());
    m_driver.setProperty(fanDutyProperty(2), property);
    m_processor->setDevice(&m_driver);
    QCOMPARE(int(m_processor->currentDuty(2)), duty);
    QCOMPARE(m_processor->currentLevel(2), level);
    QCOMPARE(m_processor->bladePeriod(2), bladePeriod);

    m_processor->setDevice(nullptr);
    QCOMPARE(int(m_processor->currentDuty(2)), 0);
    QCOMPARE(m_processor->bladePeriod(2), 200);
}

void TestFanDutyProcessor::unboundProcessorSchedulesNothing()
{
    m_processor->setDutyTable(0, tenSteps());
    m_processor->setFanDuty(0, 7, 10);
    m_processor->dust();
    QCOMPARE(int(m_processor->currentDuty(0)), 0);
    QTest::qWait(200);
    QVERIFY(m_driver.calls.isEmpty());
}

void TestFanDutyProcessor::rebindingDropsCommandsOfTheEarlierConnection()
{
    m_processor->setDutyTable(1, tenSteps());
    m_processor->setDevice(&m_driver);
    m_processor->setFanDuty(1, 6, 100);
    m_processor->setFanDuty(7, 6, 100);
    QCOMPARE(int(m_processor->currentDuty(1)), 60);
    m_processor->setDevice(nullptr);
    QCOMPARE(int(m_processor->currentDuty(1)), 0);

    // The next controller gets neither the old commands nor a session number
    // that outranks its own first commands.
    RecordingDriver next;
    next.clock.start();
    m_processor->setDevice(&next);
    m_processor->startFanDutySession();
    m_processor->setFanDuty(1, 3, 200);
    m_processor->finishFanDutySession();
    QTRY_COMPARE_WITH_TIMEOUT(next.calls.size(), 1, 5000);
    QCOMPARE(next.calls.first().duty, 30);
    QTest::qWait(100);
    QVERIFY(m_driver.calls.isEmpty());
    QCOMPARE(next.calls.size(), 1);

    // A driver that goes away while bound is not called either.
    auto* doomed = new RecordingDriver;
    m_processor->setDevice(doomed);
    m_processor->setFanDuty(1, 3, 50);
    delete doomed;
    QTest::ignoreMessage(QtDebugMsg, "Do fan speed control fanId = 1, duty = 30(1)");
    QTest::qWait(300);
}

// Session S: top level at 10 ms, level 5 at 1000 ms. At 500 ms session S+1:
// top at 10 ms, level 2 at 1000 ms. S's level 5 is eaten once S+1 has run.
void TestFanDutyProcessor::boostBurstDropsTheOlderSession()
{
    m_processor->setDutyTable(0, tenSteps());
    m_processor->setDevice(&m_driver);
    const auto burst = [this](int level) {
        m_processor->startFanDutySession();
        m_processor->setFanDuty(0, m_processor->maxLevel(0), 10);
        m_processor->setFanDuty(0, level, 1000);
        m_processor->finishFanDutySession();
    };
    burst(5);
    QCOMPARE(int(m_processor->currentDuty(0)), 50);
    QTest::qWait(500);
    burst(2);
    QTest::ignoreMessage(QtDebugMsg, "Fan eat c=2 1 [0 50]");
    QTRY_COMPARE_WITH_TIMEOUT(m_driver.calls.size(), 3, 10000);
    QTest::qWait(100);
    QCOMPARE(describe(m_driver.calls), QStringLiteral("0:100 0:100 0:20"));
    checkTimes(m_driver.calls, {10, 510, 1500});
}

void TestFanDutyProcessor::backToBackSessionsBothRun()
{
    m_processor->setDutyTable(0, tenSteps());
    m_processor->setDevice(&m_driver);
    m_processor->setFanDuty(0, 5, 10);
    m_processor->finishFanDutySession();
    QTest::qWait(5);
    m_processor->setFanDuty(0, 2, 10);
    m_processor->finishFanDutySession();
    QTRY_COMPARE_WITH_TIMEOUT(m_driver.calls.size(), 2, 10000);
    QCOMPARE(describe(m_driver.calls), QStringLiteral("0:50 0:20"));
    checkTimes(m_driver.calls, {10, 15});
}

// Fan 0 runs the whole cycle from duty 35 and comes back at level 4 (40).
// Fan 1 is moved to level 3 at 2.5 s of the real cycle: the rest of its
// cycle is eaten.
void TestFanDutyProcessor::dustCycle()
{
    m_processor->setDustCycleLength(DustCycleMS);
    m_processor->setDutyTable(0, tenSteps());
    m_processor->setDutyTable(1, tenSteps());
    m_driver.setProperty(fanDutyProperty(0), 35);
    m_driver.setProperty(fanDutyProperty(1), 70);
    m_processor->setDevice(&m_driver);
    m_driver.clock.start();
    m_processor->dust();
    QCOMPARE(int(m_processor->currentDuty(0)), 40);
    QCOMPARE(int(m_processor->currentDuty(1)), 70);

    QTRY_COMPARE_WITH_TIMEOUT(m_driver.callsOf(1).size(), 2, 10000);
    QTest::qWait(int(qMax<qint64>(0, dustTime(2500) - m_driver.clock.elapsed())));
    m_processor->setFanDuty(1, 3, 10);
    m_processor->finishFanDutySession();

    QTRY_COMPARE_WITH_TIMEOUT(m_driver.callsOf(0).size(), 7, 30000);
    QTest::qWait(200);
    QCOMPARE(describe(m_driver.callsOf(0)), QStringLiteral("0:100 0:0 0:100 0:0 0:100 0:0 0:40"));
    checkTimes(m_driver.callsOf(0), dustTimes({50, 2000, 5000, 7000, 9000, 11000, 13000}));
    QCOMPARE(describe(m_driver.callsOf(1)), QStringLiteral("1:100 1:0 1:30"));
    checkTimes(m_driver.callsOf(1), dustTimes({50, 2000, 2500}));
}

QTEST_GUILESS_MAIN(TestFanDutyProcessor)
#include "tst_fandutyprocessor.moc"
