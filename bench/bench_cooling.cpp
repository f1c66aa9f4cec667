// SPDX-License-Identifier: GPL-3.0-or-later
// One AUTO tick on a machine with 30 hwmon temperature inputs (a desktop with
// a few drives, a graphics card and a board sensor chip has about as many):
// both groups on one sensor each, while the sensors read, and while one is
// lost (each tick then scans the hwmon class for it again); and the listing
// of all sources that the settings page and "corvane-ctl sensors" show.
#include "alarmboard.h"
#include "autocooling.h"
#include "cpuloadinput.h"
#include "fakehwmon.h"
#include "sourcelist.h"

#include <QTest>

namespace {

constexpr int Devices = 6;
constexpr int InputsPerDevice = 5;

struct SteadyCpuLoad final : CpuLoadInput
{
    std::optional<int> samplePercent() override { return 40; }
};

} // namespace

class BenchCooling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tick_data();
    void tick();
    void listSources();

private:
    FakeHwmon m_tree;
};

void BenchCooling::initTestCase()
{
    for (int device = 0; device < Devices; ++device) {
        m_tree.addDevice(device, QStringLiteral("chip%1").arg(device),
                         QStringLiteral("pci0000:00/0000:00:%1.0").arg(device, 2, 10, QLatin1Char('0')));
        for (int input = 1; input <= InputsPerDevice; ++input)
            m_tree.setInput(device, input, QByteArray::number(40000 + 1000 * input) + '\n',
                            QStringLiteral("Temp%1").arg(input));
    }
}

void BenchCooling::tick_data()
{
    QTest::addColumn<QString>("g2Source");
    QTest::newRow("both sensors read") << "hwmon:chip5/Temp5";
    QTest::newRow("G2's sensor lost") << "hwmon:chip9/Temp1";
}

void BenchCooling::tick()
{
    QFETCH(QString, g2Source);
    SteadyCpuLoad cpu;
    HwmonReader reader(m_tree.root());
    SourceList sources(cpu, &reader);
    AlarmBoard alarms;
    AutoCooling cooling(sources, alarms);
    cooling.setChoice(0, *CoolingChoice::make(QStringLiteral("hwmon:chip0/Temp1"), QStringLiteral("40:2,60:5,75:9")));
    cooling.setChoice(1, *CoolingChoice::make(g2Source, QStringLiteral("default")));
    AutoCooling::Levels levels;
    QBENCHMARK {
        levels = cooling.tick({10, 10});
    }
    QCOMPARE(levels[0], std::optional<int>(2));   // 41 °C
}

void BenchCooling::listSources()
{
    SteadyCpuLoad cpu;
    HwmonReader reader(m_tree.root());
    const SourceList sources(cpu, &reader);
    int count = 0;
    QBENCHMARK {
        count = sources.sources().size();
    }
    QCOMPARE(count, 1 + Devices * InputsPerDevice);
}

QTEST_GUILESS_MAIN(BenchCooling)
#include "bench_cooling.moc"
