// SPDX-License-Identifier: GPL-3.0-or-later
// What the real MainWindow shows of a simulated controller, how it follows
// unplugging and plugging, and the save button.
#include "corvanedrivernames.h"
#include "mainwindowprobe.h"
#include "paneltestkit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

constexpr int TimeoutMs = 10000;

// Without frameLEDLightControl, which follows the LED switch as well.
const char *const DeviceControls[] = {
    "pushButtonDustFan",    "pushButtonAutoFan",    "pushButtonManFan", "pushButtonSave",
    "frameFanControlPanel", "frameLEDControlPanel", "frameStatus",
};

const char *const CheckBoxes[] = {
    "checkBoxAutoStartFan", "checkBoxAutoStartLED", "checkBoxHibernateFan", "checkBoxHibernateLED",
};

// QObject::receivers() is protected; its member pointer taken through a
// subclass is not.
struct ReceiverCount : QObject
{
    static int of(const QObject *sender, const char *signal)
    {
        return (sender->*&ReceiverCount::receivers)(signal);
    }
};

int powerReceivers(const QObject *driver)
{
    return ReceiverCount::of(driver, CorvaneDriverNames::Driver::DevicePowerChanged.signal());
}

// The LED switch of every controller here is off.
bool controlsEnabled(MainWindow &window, bool enabled)
{
    for (const char *name : DeviceControls) {
        if (panelWidget<QWidget>(window, name)->isEnabled() != enabled) {
            qWarning("%s is not %s", name, enabled ? "enabled" : "disabled");
            return false;
        }
    }
    return !panelWidget<QWidget>(window, "frameLEDLightControl")->isEnabled();
}

} // namespace

class ConnectionViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void identity_data();
    void identity();
    void powerLabel_data();
    void powerLabel();
    void saveSendsTheSaveFrame();
    void unplugClearsTheViewAndReplugReconnects();
    void controllerArrivingDuringACloseOpensCleanly();

private:
    PanelTestKit m_kit;
    std::unique_ptr<MainWindow> m_window;
};

void ConnectionViewTest::initTestCase()
{
    QVERIFY(m_kit.isValid());
}

void ConnectionViewTest::cleanup()
{
    m_window.reset();
}

void ConnectionViewTest::identity_data()
{
    QTest::addColumn<QString>("controller");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QString>("adapter");
    QTest::addColumn<bool>("hibernate");
    QTest::addColumn<QString>("levelOne");   // fan 0 at G1 level 1: shows which tables serve it

    const QString cpuid = QStringLiteral("0aff00112233445566778899");
    QTest::newRow("v2000 hardware 22") << "v2000,hw=22,cpuid=0AFF00112233445566778899" << "CRV-M7k II  [fw-2.0]"
                                       << cpuid << "12.00 V" << true << "06a0b000b014c010a1";
    QTest::newRow("v1100, firmware 0x1100, model 1: Fireware1")
        << "v1100,adapter=1000,cpuid=0AFF00112233445566778899"
        << "CRV-M7k  [fw-1.1]" << cpuid << "No Power" << false << "030100cd00cd00cd00cd00";
    QTest::newRow("v1100, other firmware: Fireware2") << "v1100,fw=0x1105,cpuid=0AFF00112233445566778899"
                                                      << "CRV-M7k  [fw-unknown]" << cpuid << "12.00 V" << true
                                                      << "030100";
    QTest::newRow("v2000 model 3") << "v2000,model=3,cpuid=0AFF00112233445566778899" << "CRV-Unknown  [fw-2.0]"
                                   << cpuid << "12.00 V" << true << "06a0b000b014c010a1";
    QTest::newRow("v2000 model 0, other firmware") << "v2000,model=0,fw=0x2100,cpuid=0AFF00112233445566778899"
                                                   << "CRV-M7k  [fw-unknown]" << cpuid << "12.00 V" << true
                                                   << "06a0b000b014c010a1";
}

void ConnectionViewTest::identity()
{
    QFETCH(QString, controller);
    QFETCH(QString, model);
    QFETCH(QString, serial);
    QFETCH(QString, adapter);
    QFETCH(bool, hibernate);
    QFETCH(QString, levelOne);
    m_window = m_kit.openWindow(controller);
    QVERIFY(m_window);
    MainWindow &window = *m_window;

    QCOMPARE(panelWidget<QLabel>(window, "labelCvDeviceStatus")->text(), QStringLiteral("Connected"));
    QCOMPARE(panelWidget<QLabel>(window, "labelCorvaneModel")->text(), model);
    QCOMPARE(panelWidget<QLineEdit>(window, "lineEditCvDeviceSN")->text(), serial);
    QVERIFY(controlsEnabled(window, true));
    QCOMPARE(panelWidget<QCheckBox>(window, "checkBoxHibernateFan")->isEnabled(), hibernate);
    QCOMPARE(panelWidget<QCheckBox>(window, "checkBoxHibernateLED")->isEnabled(), hibernate);
    for (const char *slider : {"horizontalSliderFanG1", "horizontalSliderFanG2"}) {
        QCOMPARE(panelWidget<QSlider>(window, slider)->maximum(), 9);
        QCOMPARE(panelWidget<QSlider>(window, slider)->value(), 0);
    }
    // The adapter is polled once a second.
    QTRY_COMPARE_WITH_TIMEOUT(panelWidget<QLabel>(window, "labelCvDeviceAdapter")->text(), adapter, TimeoutMs);
    QCOMPARE(panelWidget<QLabel>(window, "labelCvDeviceAdapterIcon")->isHidden(), adapter != QLatin1String("No Power"));

    panelWidget<QSlider>(window, "horizontalSliderFanG1")->setValue(1);
    QTRY_VERIFY_WITH_TIMEOUT(!PanelTestKit::sentReports().isEmpty(), TimeoutMs);
    QCOMPARE(PanelTestKit::sentReports().constFirst(), PanelTestKit::report(levelOne));
    // Called from elsewhere, the panels refuse what the disabled boxes refuse.
    ControllerRules &rules = MainWindowProbe::rules(window);
    using Option = ControllerRules::Option;
    QCOMPARE(rules.setOption(ControllerRules::Part::Fan, Option::Hibernate, true).ok(), hibernate);
    QCOMPARE(rules.setOption(ControllerRules::Part::Led, Option::Hibernate, true).ok(), hibernate);
}

void ConnectionViewTest::powerLabel_data()
{
    QTest::addColumn<float>("volts");
    QTest::addColumn<QString>("text");
    QTest::newRow("exactly 9 V") << 9.0f << "No Power";
    QTest::newRow("just above") << 9.01f << "9.01 V";
    QTest::newRow("full scale") << 35.86f << "35.86 V";
    QTest::newRow("nothing") << 0.0f << "No Power";
}

void ConnectionViewTest::powerLabel()
{
    QFETCH(float, volts);
    QFETCH(QString, text);
    m_window = PanelTestKit::makeWindow();
    MainWindowProbe::connectionView(*m_window).showAdapterPower(volts);
    QCOMPARE(panelWidget<QLabel>(*m_window, "labelCvDeviceAdapter")->text(), text);
    QCOMPARE(panelWidget<QLabel>(*m_window, "labelCvDeviceAdapterIcon")->isHidden(), text != QLatin1String("No Power"));
}

void ConnectionViewTest::saveSendsTheSaveFrame()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    panelWidget<QAbstractButton>(*m_window, "pushButtonSave")->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::sentReports(), QStringList{PanelTestKit::report(QStringLiteral("06a0c030a1"))},
                              TimeoutMs);
    QCOMPARE(PanelTestKit::bus().state(1)->saveCount, 1);

    QVERIFY(MainWindowProbe::rules(*m_window).save().ok());
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::bus().state(1)->saveCount, 2, TimeoutMs);
    QVERIFY(PanelTestKit::bus().unplug(1));
    QVERIFY(!MainWindowProbe::rules(*m_window).save().ok());
}

void ConnectionViewTest::unplugClearsTheViewAndReplugReconnects()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000,hw=22"));
    QVERIFY(m_window);
    MainWindow &window = *m_window;
    window.show();
    auto *g1 = panelWidget<QSlider>(window, "horizontalSliderFanG1");
    auto *timer = window.findChild<QTimer *>(QStringLiteral("autoFanSpeedTimer"));
    panelWidget<QCheckBox>(window, "checkBoxHibernateFan")->click();
    panelWidget<QAbstractButton>(window, "pushButtonAutoFan")->click();
    QTRY_COMPARE_WITH_TIMEOUT(panelWidget<QLabel>(window, "labelCvDeviceAdapter")->text(), QStringLiteral("12.00 V"),
                              TimeoutMs);
    QObject *driver = MainWindowProbe::driver(window);
    const int receiversWhenOpen = powerReceivers(driver);

    QVERIFY(PanelTestKit::bus().unplug(1));
    QVERIFY(!MainWindowProbe::driver(window));
    QCOMPARE(panelWidget<QLabel>(window, "labelCvDeviceStatus")->text(), QStringLiteral("Unconnected"));
    QCOMPARE(panelWidget<QLineEdit>(window, "lineEditCvDeviceSN")->text(), QStringLiteral("N/A"));
    QVERIFY(controlsEnabled(window, false));
    QVERIFY(!timer->isActive());
    for (const char *slider : {"horizontalSliderFanG1", "horizontalSliderFanG2"})
        QCOMPARE(panelWidget<QSlider>(window, slider)->value(), 0);
    for (const char *label : {"labelFanDutyG1", "labelFanDutyG2"})
        QCOMPARE(panelWidget<QLabel>(window, label)->text(), QStringLiteral("DUTY CYCLE   0%"));
    for (const char *box : CheckBoxes)
        QVERIFY2(!panelWidget<QCheckBox>(window, box)->isChecked(), box);
    for (int fan = 0; fan < 4; ++fan)
        QCOMPARE(MainWindowProbe::bladeAnimation(window, fan).state(), QAbstractAnimation::Stopped);
    // What the controller was and how it was powered stays on show.
    QCOMPARE(panelWidget<QLabel>(window, "labelCorvaneModel")->text(), QStringLiteral("CRV-M7k II  [fw-2.0]"));
    QCOMPARE(panelWidget<QLabel>(window, "labelCvDeviceAdapter")->text(), QStringLiteral("12.00 V"));
    QCOMPARE(powerReceivers(driver) + 1, receiversWhenOpen);

    PanelTestKit::bus().plug(*CorvaneSim::ControllerConfig::parse(QStringLiteral("v2000,adapter=1000")));
    QTRY_VERIFY_WITH_TIMEOUT(MainWindowProbe::driver(window), TimeoutMs);
    QCOMPARE(MainWindowProbe::driver(window), driver);
    QCOMPARE(panelWidget<QLabel>(window, "labelCvDeviceStatus")->text(), QStringLiteral("Connected"));
    QVERIFY(controlsEnabled(window, true));
    QCOMPARE(powerReceivers(driver), receiversWhenOpen);
    QTRY_COMPARE_WITH_TIMEOUT(panelWidget<QLabel>(window, "labelCvDeviceAdapter")->text(), QStringLiteral("No Power"),
                              TimeoutMs);
    // AUTO stays chosen but waits for a click to run again.
    QVERIFY(panelWidget<QAbstractButton>(window, "pushButtonAutoFan")->isChecked());
    QVERIFY(!g1->isEnabled());
    QVERIFY(!timer->isActive());
}

// A controller whose arrival is already queued when another one leaves opens
// only after the window has finished closing, and nothing of the close
// undoes it.
void ConnectionViewTest::controllerArrivingDuringACloseOpensCleanly()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    MainWindow &window = *m_window;
    QObject *driver = MainWindowProbe::driver(window);
    const int receiversWhenOpen = powerReceivers(driver);

    QMetaObject::invokeMethod(
        &window, [] { PanelTestKit::bus().plug(*CorvaneSim::ControllerConfig::parse(QStringLiteral("v2000"))); },
        Qt::QueuedConnection);
    QVERIFY(PanelTestKit::bus().unplug(1));
    QTRY_VERIFY_WITH_TIMEOUT(MainWindowProbe::driver(window), TimeoutMs);
    QTest::qWait(100);
    QCOMPARE(panelWidget<QLabel>(window, "labelCvDeviceStatus")->text(), QStringLiteral("Connected"));
    QCOMPARE(MainWindowProbe::driver(window), driver);
    QVERIFY(controlsEnabled(window, true));
    QCOMPARE(powerReceivers(driver), receiversWhenOpen);
}

QTEST_MAIN(ConnectionViewTest)
#include "tst_connectionview.moc"
