// SPDX-License-Identifier: GPL-3.0-or-later
// MAN, AUTO and DUST, the CPU load step and the fan blades of the real
// MainWindow, proven by what reaches a simulated v2000 controller.
#include "mainwindowprobe.h"
#include "paneltestkit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPropertyAnimation>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// The shipped "Fireware2" table, which serves v2000 controllers.
const QByteArray ShippedTable = QByteArray::fromHex("00141e28323c46505a64");
constexpr int TopDuty = 100;
constexpr int Unreadable = -1;
constexpr int CommandTimeoutMs = 5000;
// The dust cycle runs at a twentieth of its length here: its steps and their
// timing are tst_fandutyprocessor's; this suite checks where the button
// starts it and where it ends.
constexpr int DustCycleMs = FanDutyProcessor::DustCycleMS / 20;

// /proc/stat as the kernel writes it, with only user and idle time moving.
QByteArray procStat(quint64 user, quint64 idle)
{
    return QStringLiteral("cpu  %1 0 0 %2 0 0 0 0 0 0\ncpu0 %1 0 0 %2 0 0 0 0 0 0\nintr 1234 0\nctxt 5678\n")
        .arg(user)
        .arg(idle)
        .toLatin1();
}

QVector<int> dutiesOf(int fan)
{
    QVector<int> duties;
    for (const auto &command : PanelTestKit::fanCommands()) {
        if (command.fan == fan)
            duties.append(command.duty);
    }
    return duties;
}

} // namespace

class FanModesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void manualMove_data();
    void manualMove();
    void quickSecondMoveDropsPendingLevel();
    void autoAndMan();
    void cpuStep_data();
    void cpuStep();
    void dustCycle();
    void bladesFollowDutyAndWindow();
    void operationsKeepTheControlsInStep();

private:
    PanelTestKit m_kit;
    std::unique_ptr<MainWindow> m_window;
};

void FanModesTest::initTestCase()
{
    QVERIFY(m_kit.isValid());
}

void FanModesTest::cleanup()
{
    m_window.reset();
}

void FanModesTest::manualMove_data()
{
    QTest::addColumn<bool>("boost");
    QTest::addColumn<QStringList>("reports");
    QTest::addColumn<int>("minimumGapMs");   // between the first and the last pair
    const QString fan0Level3 = PanelTestKit::report(QStringLiteral("06a0b000b028c010a1"));
    const QString fan1Level3 = PanelTestKit::report(QStringLiteral("06a0b001b028c010a1"));
    QTest::newRow("without boost") << false << QStringList{fan0Level3, fan1Level3} << 0;
    QTest::newRow("with boost: the top level first")
        << true
        << QStringList{PanelTestKit::report(QStringLiteral("06a0b000b064c010a1")),
                       PanelTestKit::report(QStringLiteral("06a0b001b064c010a1")), fan0Level3, fan1Level3}
        << 900;
}

void FanModesTest::manualMove()
{
    QFETCH(bool, boost);
    QFETCH(QStringList, reports);
    QFETCH(int, minimumGapMs);
    m_window = m_kit.openWindow(QStringLiteral("v2000,hw=22"), boost);
    QVERIFY(m_window);

    panelWidget<QSlider>(*m_window, "horizontalSliderFanG1")->setValue(3);
    // Scheduled, not sent: every command waits for its timer.
    QVERIFY(PanelTestKit::fanCommands().isEmpty());
    QCOMPARE(panelWidget<QLabel>(*m_window, "labelFanDutyG1")->text(), QStringLiteral("DUTY CYCLE  40%"));
    QCOMPARE(panelWidget<QLabel>(*m_window, "labelFanDutyG2")->text(), QStringLiteral("DUTY CYCLE   0%"));

    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::fanCommands().size(), reports.size(), CommandTimeoutMs);
    QTest::qWait(300);
    QCOMPARE(PanelTestKit::sentReports(), reports);
    const auto commands = PanelTestKit::fanCommands();
    QVERIFY(commands.last().ms - commands.first().ms >= minimumGapMs);
}

// With boost, the second move's top level runs first and makes the first
// move's pending level stale.
void FanModesTest::quickSecondMoveDropsPendingLevel()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"), true);
    QVERIFY(m_window);
    auto *slider = panelWidget<QSlider>(*m_window, "horizontalSliderFanG1");
    slider->setValue(3);
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::fanCommands().size(), 2, CommandTimeoutMs);
    slider->setValue(5);
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::fanCommands().size(), 6, CommandTimeoutMs);
    QTest::qWait(1500);
    for (int fan : {0, 1})
        QCOMPARE(dutiesOf(fan), (QVector<int>{TopDuty, TopDuty, 60}));
}

void FanModesTest::autoAndMan()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    auto *g1 = panelWidget<QSlider>(*m_window, "horizontalSliderFanG1");
    auto *g2 = panelWidget<QSlider>(*m_window, "horizontalSliderFanG2");
    auto *timer = m_window->findChild<QTimer *>(QStringLiteral("autoFanSpeedTimer"));
    WindowDebugLines debug;

    panelWidget<QAbstractButton>(*m_window, "pushButtonAutoFan")->click();
    // One call for both groups: moving the sliders afterwards sends nothing more.
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("control_fans(9,9)")});
    QVERIFY(!g1->isEnabled() && !g2->isEnabled());
    QCOMPARE(g1->value(), 9);
    QCOMPARE(g2->value(), 9);
    QVERIFY(timer->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::fanCommands().size(), 4, CommandTimeoutMs);
    for (int fan = 0; fan < 4; ++fan)
        QCOMPARE(dutiesOf(fan), QVector<int>{TopDuty});

    debug.clear();
    timer->stop();
    panelWidget<QAbstractButton>(*m_window, "pushButtonAutoFan")->click();
    QCOMPARE(debug.lines(), QStringList{QStringLiteral("ignored!")});
    QVERIFY(timer->isActive());

    panelWidget<QAbstractButton>(*m_window, "pushButtonManFan")->click();
    QVERIFY(g1->isEnabled() && g2->isEnabled());
    QVERIFY(!timer->isActive());
    QCOMPARE(g1->value(), 9);
    QTest::qWait(100);
    QCOMPARE(PanelTestKit::fanCommands().size(), 4);
}

void FanModesTest::cpuStep_data()
{
    QTest::addColumn<QByteArray>("table");         // G1 and G2; empty: the shipped one
    QTest::addColumn<QList<int>>("loads");         // percent per tick after priming
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("debugLines");   // after priming
    QTest::addColumn<int>("duty");                 // the last one sent to fan 0

    const QByteArray tenLevels = QByteArray::fromHex("000a141e28323c46505a64");
    const QByteArray fiveLevels = QByteArray::fromHex("00142c3c5064");
    QTest::newRow("one sample, 9 levels") << QByteArray() << QList<int>{30} << "CPU load:  30 Level: 3"
                                          << QStringList{"control_fans(3,3)"} << 40;
    QTest::newRow("running average") << QByteArray() << QList<int>{30, 50, 90} << "CPU load:  50 Level: 5"
                                     << QStringList{"control_fans(3,3)", "ignored!", "control_fans(5,5)"} << 60;
    QTest::newRow("unreadable sample changes nothing")
        << QByteArray() << QList<int>{30, Unreadable} << "CPU load:  30 Level: 3"
        << QStringList{"control_fans(3,3)"} << 40;
    QTest::newRow("10 levels, 14 %") << tenLevels << QList<int>{14} << "CPU load:  14 Level: 1"
                                     << QStringList{"control_fans(1,1)"} << 10;
    QTest::newRow("10 levels, 15 %") << tenLevels << QList<int>{15} << "CPU load:  15 Level: 2"
                                     << QStringList{"control_fans(2,2)"} << 20;
    QTest::newRow("10 levels, 95 %") << tenLevels << QList<int>{95} << "CPU load:  95 Level: 10"
                                     << QStringList{"control_fans(10,10)"} << 100;
    QTest::newRow("5 levels, 22 %") << fiveLevels << QList<int>{22} << "CPU load:  22 Level: 1"
                                    << QStringList{"control_fans(1,1)"} << 20;
    QTest::newRow("5 levels, 30 %") << fiveLevels << QList<int>{30} << "CPU load:  30 Level: 2"
                                    << QStringList{"control_fans(2,2)"} << 44;
    QTest::newRow("5 levels, 100 %") << fiveLevels << QList<int>{100} << "CPU load: 100 Level: 5"
                                     << QStringList{"control_fans(5,5)"} << 100;
}

// The window's step over recorded /proc/stat text: the first tick only
// primes, later ones average the load and drive both groups and sliders.
void FanModesTest::cpuStep()
{
    QFETCH(QByteArray, table);
    QFETCH(QList<int>, loads);
    QFETCH(QString, label);
    QFETCH(QStringList, debugLines);
    QFETCH(int, duty);
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    FanDutyProcessor &processor = MainWindowProbe::processor(*m_window, 1);
    for (int fan = 0; fan < 4 && !table.isEmpty(); ++fan)
        processor.setDutyTable(fan, table);

    QList<QByteArray> samples{procStat(1000, 9000)};
    quint64 user = 1000, idle = 9000;
    for (int load : loads) {
        if (load == Unreadable) {
            samples.append("cpu  12 34\n");
            continue;
        }
        user += quint64(load) * 40;
        idle += quint64(100 - load) * 40;
        samples.append(procStat(user, idle));
    }
    MainWindowProbe::cpuLoadSampler(*m_window) =
        CpuLoadSampler([&samples] { return CpuTimes::fromProcStat(samples.takeFirst()); });
    auto *cpuLabel = panelWidget<QLabel>(*m_window, "labelCPU");
    const QString before = cpuLabel->text();

    WindowDebugLines debug;
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "on_autoFanSpeedTimer_timeout"));
    QVERIFY(debug.lines().isEmpty());
    QCOMPARE(cpuLabel->text(), before);
    while (!samples.isEmpty())
        QVERIFY(QMetaObject::invokeMethod(m_window.get(), "on_autoFanSpeedTimer_timeout"));

    QCOMPARE(cpuLabel->text(), label);
    QCOMPARE(debug.lines(), debugLines);
    const int level = label.section(QLatin1Char(' '), -1).toInt();
    QCOMPARE(panelWidget<QSlider>(*m_window, "horizontalSliderFanG1")->value(), qMin(level, 9));
    QCOMPARE(panelWidget<QSlider>(*m_window, "horizontalSliderFanG2")->value(), qMin(level, 9));
    const auto lastDutyIs = [duty](int fan) { return dutiesOf(fan).value(dutiesOf(fan).size() - 1, -1) == duty; };
    QTRY_VERIFY_WITH_TIMEOUT(lastDutyIs(0) && lastDutyIs(2), CommandTimeoutMs);
}

// DUST takes every fan through the whole cycle, from full speed back to the
// level the fan had; the sliders and labels are not touched.
void FanModesTest::dustCycle()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    MainWindowProbe::processor(*m_window, 1).setDustCycleLength(DustCycleMs);
    panelWidget<QSlider>(*m_window, "horizontalSliderFanG1")->setValue(4);
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::fanCommands().size(), 2, CommandTimeoutMs);
    PanelTestKit::bus().clearLog();

    panelWidget<QAbstractButton>(*m_window, "pushButtonDustFan")->click();
    // Seven steps for each of the four fans.
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::fanCommands().size(), 28, CommandTimeoutMs);
    const int restored[4] = {50, 50, 0, 0};
    for (int fan = 0; fan < 4; ++fan) {
        const QVector<int> duties = dutiesOf(fan);
        QCOMPARE(duties.size(), 7);
        QCOMPARE(duties.first(), TopDuty);
        QCOMPARE(duties.last(), restored[fan]);
    }
    QCOMPARE(panelWidget<QSlider>(*m_window, "horizontalSliderFanG1")->value(), 4);
    QCOMPARE(panelWidget<QLabel>(*m_window, "labelFanDutyG1")->text(), QStringLiteral("DUTY CYCLE  50%"));
}

void FanModesTest::bladesFollowDutyAndWindow()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    MainWindow &window = *m_window;
    const auto states = [&window] {
        QVector<QAbstractAnimation::State> states;
        for (int fan = 0; fan < 4; ++fan)
            states.append(MainWindowProbe::bladeAnimation(window, fan).state());
        return states;
    };
    using S = QAbstractAnimation::State;

    window.show();
    panelWidget<QSlider>(window, "horizontalSliderFanG1")->setValue(5);
    QCOMPARE(states(), (QVector<S>{S::Running, S::Running, S::Stopped, S::Stopped}));
    QCOMPARE(MainWindowProbe::bladeAnimation(window, 1).duration(), 200 - 60);

    // Off screen nothing ticks, but what should spin is remembered.
    window.hide();
    panelWidget<QSlider>(window, "horizontalSliderFanG2")->setValue(2);
    QCOMPARE(states(), (QVector<S>{S::Paused, S::Paused, S::Stopped, S::Stopped}));
    QCOMPARE(MainWindowProbe::bladeAnimation(window, 3).duration(), 200 - 30);
    window.show();
    QCOMPARE(states(), (QVector<S>{S::Running, S::Running, S::Running, S::Running}));
    window.showMinimized();
    QCOMPARE(states(), (QVector<S>{S::Paused, S::Paused, S::Paused, S::Paused}));
    window.showNormal();

    panelWidget<QSlider>(window, "horizontalSliderFanG1")->setValue(0);
    QCOMPARE(states(), (QVector<S>{S::Stopped, S::Stopped, S::Running, S::Running}));
}

// What another front end calls: the controls follow, and what the controls
// could not do is refused.
void FanModesTest::operationsKeepTheControlsInStep()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    ControllerRules &rules = MainWindowProbe::rules(*m_window);
    auto *g1 = panelWidget<QSlider>(*m_window, "horizontalSliderFanG1");
    auto *g2 = panelWidget<QSlider>(*m_window, "horizontalSliderFanG2");
    auto *autoButton = panelWidget<QAbstractButton>(*m_window, "pushButtonAutoFan");
    auto *manButton = panelWidget<QAbstractButton>(*m_window, "pushButtonManFan");
    auto *autoRun = panelWidget<QAbstractButton>(*m_window, "checkBoxAutoStartFan");

    QVERIFY(rules.setGroupLevel(ControllerRules::Group::G2, 3).ok());
    QCOMPARE(g2->value(), 3);
    QCOMPARE(panelWidget<QLabel>(*m_window, "labelFanDutyG2")->text(), QStringLiteral("DUTY CYCLE  40%"));
    QVERIFY(!rules.setGroupLevel(ControllerRules::Group::G1, g1->maximum() + 1).ok());
    QVERIFY(!rules.setGroupLevel(ControllerRules::Group::G1, -1).ok());
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::bus().state(1)->live.fanDuty[3], 40, CommandTimeoutMs);

    QVERIFY(rules.setMode(ControllerRules::Mode::Auto).ok());
    QVERIFY(autoButton->isChecked() && !manButton->isChecked());
    QVERIFY(!g1->isEnabled());
    QCOMPARE(g1->value(), 9);
    QVERIFY(!rules.setGroupLevel(ControllerRules::Group::G1, 2).ok());
    QCOMPARE(g1->value(), 9);
    QVERIFY(rules.setMode(ControllerRules::Mode::Manual).ok());
    QVERIFY(manButton->isChecked() && g1->isEnabled());

    rules.setBoost(false);
    QVERIFY(!panelWidget<QAbstractButton>(*m_window, "checkBoxChangeBoost")->isChecked());
    QVERIFY(rules.setOption(ControllerRules::Part::Fan, ControllerRules::Option::AutoRun, true).ok());
    QVERIFY(autoRun->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(PanelTestKit::bus().state(1)->live.fanAutoRun, CommandTimeoutMs);

    QVERIFY(PanelTestKit::bus().unplug(1));
    PanelTestKit::bus().clearLog();
    QVERIFY(!rules.setMode(ControllerRules::Mode::Auto).ok());
    QVERIFY(manButton->isChecked());
    QVERIFY(!rules.setGroupLevel(ControllerRules::Group::G1, 2).ok());
    QCOMPARE(g1->value(), 0);
    QVERIFY(!rules.runDust().ok());
    QVERIFY(!rules.setOption(ControllerRules::Part::Fan, ControllerRules::Option::AutoRun, true).ok());
    QVERIFY(!autoRun->isChecked());
    QTest::qWait(100);
    QVERIFY(PanelTestKit::bus().log().isEmpty());
}

QTEST_MAIN(FanModesTest)
#include "tst_fanmodes.moc"
