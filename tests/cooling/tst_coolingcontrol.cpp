// SPDX-License-Identifier: GPL-3.0-or-later
// What a user may set for a group, from any front end: refused sources and
// points, choices that outlive the program, and a stalled fan's alarm.
#include "coolingcontrol.h"
#include "cpuloadinput.h"
#include "fakehwmon.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestCoolingControl : public QObject
{
    Q_OBJECT

private slots:
    void setCurve_data();
    void setCurve();
    void stalledFanAlarm();

private:
    std::unique_ptr<CoolingControl> control(const FakeHwmon *tree);

    QTemporaryDir m_dir;
    HwmonReader m_reader;
};

std::unique_ptr<CoolingControl> TestCoolingControl::control(const FakeHwmon *tree)
{
    const QString file = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".ini"));
    m_reader = HwmonReader(tree ? tree->root() : QString());
    return std::make_unique<CoolingControl>(
        CpuLoadInput::none(), tree ? &m_reader : nullptr,
        [file] { return std::make_unique<QSettings>(file, QSettings::IniFormat); });
}

void TestCoolingControl::setCurve_data()
{
    QTest::addColumn<bool>("hwmon");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("curve");
    QTest::addColumn<bool>("taken");

    QTest::newRow("sensor with points") << true << "hwmon:k10temp/Tctl" << "40:2,60:5,75:9" << true;
    QTest::newRow("CPU load with points") << true << "cpu" << "20:1,90:10" << true;
    QTest::newRow("sensor, default curve") << true << "hwmon:k10temp/Tctl" << "default" << true;
    QTest::newRow("absent sensor") << true << "hwmon:nvme/Composite" << "40:2,60:5" << false;
    QTest::newRow("bad points") << true << "hwmon:k10temp/Tctl" << "60:5,40:2" << false;
    QTest::newRow("no hwmon (Windows)") << false << "hwmon:k10temp/Tctl" << "40:2,60:5" << false;
}

void TestCoolingControl::setCurve()
{
    QFETCH(bool, hwmon);
    QFETCH(QString, source);
    QFETCH(QString, curve);
    QFETCH(bool, taken);

    FakeHwmon tree;
    tree.addDevice(0, QStringLiteral("k10temp"));
    tree.setInput(0, 1, "45000\n", QStringLiteral("Tctl"));
    const auto first = control(hwmon ? &tree : nullptr);
    QSignalSpy changed(first.get(), &CoolingControl::choiceChanged);

    QCOMPARE(first->setCurve(1, source, curve).isEmpty(), taken);
    QCOMPARE(changed.size(), taken ? 1 : 0);
    const CoolingChoice expected = taken ? *CoolingChoice::make(source, curve) : CoolingChoice();
    QCOMPARE(control(hwmon ? &tree : nullptr)->choice(1), expected);

    first->resetToDefault(1);
    QCOMPARE(control(hwmon ? &tree : nullptr)->choice(1), CoolingChoice());
}

void TestCoolingControl::stalledFanAlarm()
{
    const auto cooling = control(nullptr);
    for (int poll = 0; poll < StallDetector::StillPollsToStall; ++poll)
        cooling->fanPolled(2, 100, 0);
    QCOMPARE(cooling->alarms().standingIds(), QStringList{"fan-stalled:fan2"});
    cooling->controllerGone();
    QVERIFY(cooling->alarms().standing().isEmpty());
}

QTEST_GUILESS_MAIN(TestCoolingControl)
#include "tst_coolingcontrol.moc"
