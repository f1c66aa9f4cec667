// SPDX-License-Identifier: GPL-3.0-or-later
// The cooling of the real MainWindow against a simulated v2000 controller:
// a group on a temperature sensor follows its curve, runs at the top level
// with an alarm in the tray and the window while the sensor is lost, and
// follows its curve again once the sensor is back; a fan the simulator stops
// raises a stall alarm, which ends when the fan turns again.
#include "fakehwmon.h"
#include "mainwindowprobe.h"
#include "paneltestkit.h"
#include "usersettings.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QSlider>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTest>

namespace {

constexpr int StallTimeoutMs = 10000;
const QString Tctl = QStringLiteral("hwmon:k10temp/Tctl");

int lastDutyOf(int fan)
{
    int duty = -1;
    for (const auto &command : PanelTestKit::fanCommands()) {
        if (command.fan == fan)
            duty = command.duty;
    }
    return duty;
}

} // namespace

class CoolingWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void lostSensorSendsGroupToTop();
    void curveEditor_data();
    void curveEditor();
    void controlsDoNotOverlap_data();
    void controlsDoNotOverlap();
    void stalledFan_data();
    void stalledFan();

private:
    void tick();
    QStringList alarms() const;
    bool coolingTabWarns() const;

    PanelTestKit m_kit;
    std::unique_ptr<MainWindow> m_window;
};

void CoolingWindowTest::initTestCase()
{
    QVERIFY(m_kit.isValid());
}

void CoolingWindowTest::cleanup()
{
    m_window.reset();
    UserSettings::open()->remove(QStringLiteral("cooling"));
}

void CoolingWindowTest::tick()
{
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "on_autoFanSpeedTimer_timeout"));
}

QStringList CoolingWindowTest::alarms() const
{
    return MainWindowProbe::fanModes(*m_window).cooling().alarms().standingIds();
}

bool CoolingWindowTest::coolingTabWarns() const
{
    auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    return !tabs->tabToolTip(tabs->indexOf(&MainWindowProbe::coolingPage(*m_window))).isEmpty();
}

void CoolingWindowTest::lostSensorSendsGroupToTop()
{
    if (!SourceList::platformOffersTemperatures())
        QSKIP("no temperature sources on this platform");
    FakeHwmon tree;
    tree.addDevice(3, QStringLiteral("k10temp"));
    tree.setInput(3, 1, "45000\n", QStringLiteral("Tctl"));
    m_window = m_kit.openWindow(QStringLiteral("v2000,hw=22"));
    QVERIFY(m_window);
    MainWindowProbe::hwmonReader(*m_window) = HwmonReader(tree.root());
    FanModes &fans = MainWindowProbe::fanModes(*m_window);
    QCOMPARE(fans.cooling().setCurve(0, Tctl, QStringLiteral("40:2,60:5,75:9")), QString());
    QVERIFY(MainWindowProbe::rules(*m_window).setMode(ControllerRules::Mode::Auto).ok());
    auto *g1 = panelWidget<QSlider>(*m_window, "horizontalSliderFanG1");
    const QSystemTrayIcon &tray = MainWindowProbe::trayIcon(*m_window);
    const QString calmToolTip = tray.toolTip();

    tick();
    QCOMPARE(g1->value(), 3);   // 45 °C

    tree.removeDevice(3);
    tick();
    QCOMPARE(g1->value(), g1->maximum());
    QCOMPARE(alarms(), QStringList{"source-lost:G1"});
    QVERIFY2(tray.toolTip().contains(QStringLiteral("k10temp Tctl")), qPrintable(tray.toolTip()));
    QVERIFY(coolingTabWarns());
    // G2 stays on CPU load and its own commands may come last.
    for (int fan : {0, 1})
        QTRY_COMPARE_WITH_TIMEOUT(lastDutyOf(fan), 100, StallTimeoutMs);

    // Back under another number, as after the driver was loaded again.
    tree.addDevice(5, QStringLiteral("k10temp"));
    tree.setInput(5, 1, "61000\n", QStringLiteral("Tctl"));
    tick();
    QCOMPARE(g1->value(), 5);
    QVERIFY(alarms().isEmpty());
    QCOMPARE(tray.toolTip(), calmToolTip);
    QVERIFY(!coolingTabWarns());
}

void CoolingWindowTest::curveEditor_data()
{
    QTest::addColumn<QString>("value");   // typed into G1's second point
    QTest::addColumn<QString>("curve");   // G1's curve afterwards
    QTest::addColumn<bool>("refused");

    QTest::newRow("a new point") << "50" << "0:1,50:1,100:9" << false;
    QTest::newRow("below the first point: refused") << "-5" << "default" << true;
}

// The table shows the default curve for the controller's tables; an edit that
// makes a curve is taken and stored, one that does not is shown and left out;
// the reset returns to AUTO's own.
void CoolingWindowTest::curveEditor()
{
    QFETCH(QString, value);
    QFETCH(QString, curve);
    QFETCH(bool, refused);
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    CoolingPage &page = MainWindowProbe::coolingPage(*m_window);
    auto *editor = page.findChild<QGroupBox *>(QStringLiteral("curveEditorG1"));
    auto *points = editor->findChild<QTableWidget *>();
    // The shipped v2000 table has 10 entries: top level 9, so 100/9 % is where level 1 ends.
    QCOMPARE(points->rowCount(), 3);
    QCOMPARE(points->item(1, 0)->text(), QStringLiteral("11.11"));

    points->item(1, 0)->setText(value);
    QTRY_COMPARE(MainWindowProbe::fanModes(*m_window).cooling().choice(0).curveText(), curve);
    QCOMPARE(editor->findChild<QLabel *>(QStringLiteral("curveRefusal"))->isVisibleTo(editor), refused);

    const auto buttons = editor->findChildren<QPushButton *>();
    const auto reset = std::find_if(buttons.cbegin(), buttons.cend(),
                                    [](const QPushButton *b) { return b->text() == QLatin1String("Reset to default"); });
    (*reset)->click();
    QCOMPARE(MainWindowProbe::fanModes(*m_window).cooling().choice(0), CoolingChoice());
    QTRY_COMPARE(points->item(1, 0)->text(), QStringLiteral("11.11"));
}

void CoolingWindowTest::controlsDoNotOverlap_data()
{
    QTest::addColumn<bool>("alarm");
    QTest::newRow("calm") << false;
    QTest::newRow("the cooling tab warns") << true;
}

// The tab bar's height differs between platforms and fonts, and the cooling
// tab's warning must not make it taller; the pages below it must still hold
// their controls whole and apart, and every tab must fit.
void CoolingWindowTest::controlsDoNotOverlap()
{
    QFETCH(bool, alarm);
    m_window = m_kit.openWindow(QStringLiteral("v2000,hw=22"));
    QVERIFY(m_window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    if (alarm)
        MainWindowProbe::fanModes(*m_window).cooling().alarms().raise(CoolingAlarm::fanStalled(0));
    auto *tabs = m_window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QStringList faults = PanelTestKit::layoutFaults(*m_window);
        QVERIFY2(faults.isEmpty(), qPrintable(tabs->tabText(page) + QLatin1String(": ") + faults.join(QLatin1String("; "))));
    }
}

void CoolingWindowTest::stalledFan_data()
{
    QTest::addColumn<int>("hardware");
    QTest::addColumn<bool>("seen");
    QTest::newRow("hardware 22 reports fan speeds") << 22 << true;
    QTest::newRow("hardware 21 does not") << 21 << false;
}

void CoolingWindowTest::stalledFan()
{
    QFETCH(int, hardware);
    QFETCH(bool, seen);
    m_window = m_kit.openWindow(QStringLiteral("v2000,hw=%1").arg(hardware));
    QVERIFY(m_window);
    const auto *note = MainWindowProbe::coolingPage(*m_window).findChild<QLabel *>(QStringLiteral("labelStallNote"));
    QCOMPARE(note->isVisibleTo(&MainWindowProbe::coolingPage(*m_window)), !seen);
    if (!seen)
        return;

    QVERIFY(MainWindowProbe::rules(*m_window).setGroupLevel(ControllerRules::Group::G1, 5).ok());
    QVERIFY(PanelTestKit::bus().stallFan(QStringLiteral("sim:1:0"), 0));
    QTRY_COMPARE_WITH_TIMEOUT(alarms(), QStringList{"fan-stalled:fan0"}, StallTimeoutMs);
    QVERIFY(MainWindowProbe::trayIcon(*m_window).toolTip().contains(QStringLiteral("Fan 1 of G1")));
    QVERIFY(coolingTabWarns());

    PanelTestKit::bus().setFanRpm(1, 0, 1000);
    QTRY_VERIFY_WITH_TIMEOUT(alarms().isEmpty(), StallTimeoutMs);
}

QTEST_MAIN(CoolingWindowTest)
#include "tst_coolingwindow.moc"
