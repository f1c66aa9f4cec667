// SPDX-License-Identifier: GPL-3.0-or-later
// An AUTO tick on a sensor that comes and goes: the curve's level while it
// reads, the top level and one alarm while it does not; and when a fan that
// reports no speed counts as stalled.
#include "alarmboard.h"
#include "autocooling.h"
#include "cpuloadinput.h"
#include "fakehwmon.h"
#include "sourcelist.h"
#include "stalldetector.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct ScriptedCpuLoad final : CpuLoadInput
{
    QList<std::optional<int>> percents;
    std::optional<int> samplePercent() override { return percents.isEmpty() ? std::nullopt : percents.takeFirst(); }
};

const QString Tctl = QStringLiteral("hwmon:k10temp/Tctl");

} // namespace

class TestAutoCooling : public QObject
{
    Q_OBJECT

private slots:
    void lostSensorSendsGroupToTop();
    void stall_data();
    void stall();
};

void TestAutoCooling::lostSensorSendsGroupToTop()
{
    FakeHwmon tree;
    tree.addDevice(2, QStringLiteral("k10temp"));
    tree.setInput(2, 1, "45000\n", QStringLiteral("Tctl"));
    ScriptedCpuLoad cpu;
    cpu.percents = {std::nullopt, 30, 30, 30};
    HwmonReader reader(tree.root());
    SourceList sources(cpu, &reader);
    AlarmBoard alarms;
    QSignalSpy began(&alarms, &AlarmBoard::alarmBegan);
    QSignalSpy ended(&alarms, &AlarmBoard::alarmEnded);
    AutoCooling cooling(sources, alarms);
    cooling.setChoice(0, *CoolingChoice::make(Tctl, QStringLiteral("40:2,60:5,75:9")));
    const AutoCooling::TopLevels tops = {10, 8};

    // The CPU sampler primes: G2 waits, G1 follows its sensor.
    QCOMPARE(cooling.tick(tops), (AutoCooling::Levels{3, std::nullopt}));

    tree.removeDevice(2);
    QCOMPARE(cooling.tick(tops), (AutoCooling::Levels{10, 3}));
    QCOMPARE(cooling.tick(tops), (AutoCooling::Levels{10, 3}));
    QCOMPARE(began.size(), 1);
    QCOMPARE(began.at(0).at(0).toString(), QStringLiteral("source-lost:G1"));
    QCOMPARE(alarms.standingIds(), QStringList{"source-lost:G1"});

    // Back under another number, as after a driver reload.
    tree.addDevice(5, QStringLiteral("k10temp"));
    tree.setInput(5, 1, "61000\n", QStringLiteral("Tctl"));
    QCOMPARE(cooling.tick(tops), (AutoCooling::Levels{5, 3}));
    QCOMPARE(ended.size(), 1);
    QVERIFY(alarms.standing().isEmpty());

    // A user's curve on G2 ends at G2's own top.
    tree.setInput(5, 1, "151000\n", QStringLiteral("Tctl"));
    cooling.setChoice(1, *CoolingChoice::make(Tctl, QStringLiteral("40:2,75:10")));
    QCOMPARE(cooling.tick(tops), (AutoCooling::Levels{10, 8}));
    QCOMPARE(alarms.standingIds(), (QStringList{"source-lost:G1", "source-lost:G2"}));
    cooling.stop();
    QVERIFY(alarms.standing().isEmpty());
}

void TestAutoCooling::stall_data()
{
    QTest::addColumn<QList<int>>("duties");
    QTest::addColumn<QList<int>>("rpms");
    QTest::addColumn<QString>("changes");   // per poll: . none, S stalled, T turning

    QTest::newRow("three still polls at 40 %") << QList<int>{40, 40, 40, 40} << QList<int>{0, 0, 0, 0} << "..S.";
    QTest::newRow("a turn breaks the row") << QList<int>{60, 60, 60, 60, 60} << QList<int>{0, 0, 900, 0, 0}
                                           << ".....";
    QTest::newRow("below 40 % it may stand") << QList<int>{39, 39, 39, 39} << QList<int>{0, 0, 0, 0} << "....";
    QTest::newRow("a low duty breaks the row") << QList<int>{80, 80, 20, 80, 80} << QList<int>{0, 0, 0, 0, 0}
                                               << ".....";
    QTest::newRow("turning again clears") << QList<int>{100, 100, 100, 100} << QList<int>{0, 0, 0, 1200} << "..ST";
}

void TestAutoCooling::stall()
{
    QFETCH(QList<int>, duties);
    QFETCH(QList<int>, rpms);
    QFETCH(QString, changes);

    StallDetector detector;
    QString seen;
    for (int poll = 0; poll < duties.size(); ++poll) {
        const StallDetector::Change change = detector.observe(3, duties[poll], rpms[poll]);
        seen += change == StallDetector::Change::Stalled ? QLatin1Char('S')
                : change == StallDetector::Change::Turning ? QLatin1Char('T') : QLatin1Char('.');
    }
    QCOMPARE(seen, changes);
}

QTEST_GUILESS_MAIN(TestAutoCooling)
#include "tst_autocooling.moc"
