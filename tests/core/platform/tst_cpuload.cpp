// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cpuloadsampler.h"
#include "platform/cputimes.h"

#include <QFile>
#include <QQueue>
#include <QtTest>

#include <cmath>

namespace {

// Tick kinds besides a load in percent.
constexpr int Garbage = -1;   // the file text has no usable aggregate line
constexpr int Stalled = -2;   // no time has passed since the previous sample
constexpr int Backwards = -3; // every counter is lower than before
constexpr int IoWaitDips = -4; // 90 % busy, but iowait falls by more than idle and iowait rose
constexpr int NoReading = -1;

// Counters of a recorded aggregate line; each tick spends 2000 ticks, 20 per load percent busy.
struct ProcStat
{
    quint64 user = 1000, nice = 20, system = 600, idle = 50000, iowait = 300, irq = 10, softirq = 40,
            steal = 0;

    QByteArray text() const
    {
        return QStringLiteral("cpu  %1 %2 %3 %4 %5 %6 %7 %8 0 0\ncpu0 1 2 3 4 5 6 7 8 0 0\nctxt 1\n")
            .arg(user).arg(nice).arg(system).arg(idle).arg(iowait).arg(irq).arg(softirq).arg(steal)
            .toLatin1();
    }

    QByteArray tick(int load)
    {
        switch (load) {
        case Garbage: return QByteArrayLiteral("cpu  12 0 x 5 0 0 0\n");
        case Stalled: return text();
        case Backwards: *this = ProcStat{}; return text();
        case IoWaitDips: tick(90); iowait -= 400; return text();
        }
        const quint64 busy = quint64(load);
        user += 10 * busy; nice += 2 * busy; system += 6 * busy; irq += busy; softirq += busy;
        idle += 15 * (100 - busy); iowait += 5 * (100 - busy);
        steal += 700; // not part of either time: a reading that counts it is off
        return text();
    }
};

} // namespace

class TestCpuLoad : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void step_data();
    void step();
    void levelForPercent_data();
    void levelForPercent();
    void tenLevelsMatchPercentOverTen();
    void labelText();
};

void TestCpuLoad::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint64>("idle");
    QTest::addColumn<quint64>("kernel");
    QTest::addColumn<quint64>("user");

    QFile recorded(QFINDTESTDATA("procstat/host-sample.txt"));
    QVERIFY(recorded.open(QIODevice::ReadOnly));
    QTest::newRow("recorded host") << recorded.readAll() << true
                                   << quint64(97831 + 492) << quint64(7044 + 0 + 205 + 97831 + 492) << quint64(10180);
    QTest::newRow("steal and guest ignored") << QByteArray("cpu 1 2 3 4 5 6 7 800 900 1000\n") << true
                                             << quint64(9) << quint64(25) << quint64(3);
    QTest::newRow("aggregate after per-core lines") << QByteArray("cpu0 9 9 9 9 9 9 9\ncpu 1 2 3 4 5 6 7\n") << true
                                                    << quint64(9) << quint64(25) << quint64(3);
    QTest::newRow("empty") << QByteArray() << false << quint64() << quint64() << quint64();
    QTest::newRow("per-core lines only") << QByteArray("cpu0 1 2 3 4 5 6 7\ncpu1 1 2 3 4 5 6 7\n") << false
                                         << quint64() << quint64() << quint64();
    QTest::newRow("word only starts with cpu") << QByteArray("cpux 1 2 3 4 5 6 7\n") << false
                                               << quint64() << quint64() << quint64();
    QTest::newRow("four fields of old kernels") << QByteArray("cpu 1 2 3 4\n") << false
                                                << quint64() << quint64() << quint64();
    QTest::newRow("letter in a field") << QByteArray("cpu 1 2 3 4x 5 6 7\n") << false
                                       << quint64() << quint64() << quint64();
    QTest::newRow("negative field") << QByteArray("cpu 1 2 -3 4 5 6 7\n") << false
                                    << quint64() << quint64() << quint64();
    QTest::newRow("field past 64 bits") << QByteArray("cpu 1 2 3 18446744073709551616 5 6 7\n") << false
                                        << quint64() << quint64() << quint64();
    QTest::newRow("sum past 64 bits") << QByteArray("cpu 1 2 3 18446744073709551615 5 6 7\n") << false
                                      << quint64() << quint64() << quint64();
}

void TestCpuLoad::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);

    const std::optional<CpuTimes> times = CpuTimes::fromProcStat(text);
    QCOMPARE(times.has_value(), valid);
    if (!valid)
        return;
    QTEST(times->idle(), "idle");
    QTEST(times->kernel(), "kernel");
    QTEST(times->user(), "user");
}

void TestCpuLoad::step_data()
{
    QTest::addColumn<QList<int>>("loads");
    QTest::addColumn<QList<int>>("percents");

    QTest::newRow("running average, weights 1 to 6")
        << QList<int>{20, 50, 71, 10, 62, 30} << QList<int>{20, 30, 40, 34, 39, 38};
    QTest::newRow("7th and 13th samples skipped")
        << QList<int>{10, 10, 10, 10, 10, 10, 90, 40, 40, 40, 40, 40, 40, 70}
        << QList<int>{10, 10, 10, 10, 10, 10, 10, 20, 25, 28, 30, 31, 31, 44};
    QTest::newRow("unreadable sample does not advance the cycle")
        << QList<int>{10, 10, 10, 10, 10, Garbage, 90} << QList<int>{10, 10, 10, 10, 10, NoReading, 21};
    QTest::newRow("no time passed") << QList<int>{40, Stalled, 40} << QList<int>{40, NoReading, 40};
    QTest::newRow("counters ran backwards: measured from there on")
        << QList<int>{40, Backwards, 60} << QList<int>{40, NoReading, 47};
    // The other fields still measure the tick: 1800 busy ticks of 1950.
    QTest::newRow("iowait went backwards") << QList<int>{40, IoWaitDips, 40} << QList<int>{40, 57, 53};
}

void TestCpuLoad::step()
{
    QFETCH(QList<int>, loads);
    QFETCH(QList<int>, percents);

    ProcStat stat;
    QQueue<QByteArray> texts;
    texts.enqueue(QByteArrayLiteral("no cpu line\n"));
    texts.enqueue(stat.text());
    for (const int load : qAsConst(loads))
        texts.enqueue(stat.tick(load));
    CpuLoadSampler sampler([&texts] { return CpuTimes::fromProcStat(texts.dequeue()); });

    QVERIFY2(!sampler.step(10), "a missing sample must not prime the sampler");
    QVERIFY2(!sampler.step(10), "the first sample only primes");
    for (int i = 0; i < percents.size(); ++i) {
        const std::optional<CpuLoadSampler::Reading> reading = sampler.step(10);
        QCOMPARE(reading.has_value(), percents.at(i) != NoReading);
        if (reading) {
            QCOMPARE(reading->percent, percents.at(i));
            QCOMPARE(reading->level, CpuLoadSampler::levelForPercent(reading->percent, 10));
        }
    }
}

void TestCpuLoad::levelForPercent_data()
{
    QTest::addColumn<int>("maxLevel");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("level");

    const QList<std::array<int, 3>> rows = {
        {10, 0, 1}, {10, 14, 1}, {10, 15, 2}, {10, 25, 3}, {10, 94, 9}, {10, 95, 10}, {10, 100, 10},
        // Five levels: 23 % no longer means full speed.
        {5, 0, 1}, {5, 22, 1}, {5, 23, 1}, {5, 29, 1}, {5, 30, 2}, {5, 50, 3}, {5, 69, 3}, {5, 70, 4},
        {5, 89, 4}, {5, 90, 5}, {5, 100, 5},
        {1, 0, 1}, {1, 100, 1},
        {0, 50, 0}, {-1, 50, -1},
    };
    for (const auto &[maxLevel, percent, level] : rows)
        QTest::addRow("M=%d %d%%", maxLevel, percent) << maxLevel << percent << level;
}

void TestCpuLoad::levelForPercent()
{
    QFETCH(int, maxLevel);
    QFETCH(int, percent);
    QTEST(CpuLoadSampler::levelForPercent(percent, maxLevel), "level");
}

// With ten levels the rounded share must give exactly what percent / 10 in
// single precision, halves upward, gave before.
void TestCpuLoad::tenLevelsMatchPercentOverTen()
{
    for (int percent = 0; percent <= 100; ++percent) {
        const int before = std::clamp(int(std::floor(float(percent) / 10.0f + 0.5f)), 1, 10);
        QCOMPARE(CpuLoadSampler::levelForPercent(percent, 10), before);
    }
}

void TestCpuLoad::labelText()
{
    QCOMPARE((CpuLoadSampler::Reading{7, 1}.labelText()), QStringLiteral("CPU load:   7 Level: 1"));
    QCOMPARE((CpuLoadSampler::Reading{100, 10}.labelText()), QStringLiteral("CPU load: 100 Level: 10"));
}

QTEST_GUILESS_MAIN(TestCpuLoad)
#include "tst_cpuload.moc"
