// SPDX-License-Identifier: GPL-3.0-or-later
// The LED panel of the real MainWindow: the switch, the effects with their
// previews and laws, and the controller's own options, proven by what
// reaches a simulated controller.
#include "corvaneledlawreader.h"
#include "mainwindowprobe.h"
#include "paneltestkit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QSlider>
#include <QTemporaryFile>
#include <QTest>

namespace {

constexpr int TimeoutMs = 10000;
constexpr int ReportPayload = 64;

const QString LedOn = PanelTestKit::report(QStringLiteral("06a0b001c020a1"));
const QString LedOff = PanelTestKit::report(QStringLiteral("06a0b000c020a1"));

// Laws are uploaded from files; the suite's come from the resources.
bool copyResource(const QString &resource, QTemporaryFile *file)
{
    QFile source(resource);
    return file->open() && source.open(QIODevice::ReadOnly) && file->write(source.readAll()) >= 0 && file->flush();
}

CorvaneLEDLaw lawOf(const QString &resource)
{
    QFile file(resource);
    CorvaneLEDLaw law;
    if (!file.open(QIODevice::ReadOnly) || !CorvaneLEDLawReader::read(file.readAll(), &law))
        qWarning("cannot read %s", qPrintable(resource));
    return law;
}

// The 256-byte block sent on the four report ids from @p firstId on, as the log holds it.
QByteArray sentBlock(int firstId)
{
    QByteArray block;
    for (const CorvaneSim::LogEntry &entry : PanelTestKit::bus().log()) {
        const int id = entry.buffer.isEmpty() ? 0 : quint8(entry.buffer.at(0));
        if (entry.op == QLatin1String("send") && id >= firstId && id < firstId + 4)
            block += entry.buffer.mid(1, ReportPayload);
    }
    return block;
}

QString lawHeader(const CorvaneLEDLaw &law)
{
    const int t = law.intervalTimeMS;
    const int n = law.lawCount;
    return PanelTestKit::report(
        QString::asprintf("06a0b0%02xb0%02xc021b0%02xb0%02xc022a1", t & 0xff, t >> 8, n & 0xff, n >> 8));
}

} // namespace

class LedPanelTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void effects_data();
    void effects();
    void powerSwitch();
    void effectsNeedPower();
    void optionBoxes_data();
    void optionBoxes();
    void settingsLoadedAtOpen_data();
    void settingsLoadedAtOpen();
    void operationsKeepTheControlsInStep();

private:
    void switchLed(int value);

    PanelTestKit m_kit;
    std::unique_ptr<MainWindow> m_window;
};

void LedPanelTest::initTestCase()
{
    QVERIFY(m_kit.isValid());
}

void LedPanelTest::cleanup()
{
    m_window.reset();
}

void LedPanelTest::switchLed(int value)
{
    panelWidget<QSlider>(*m_window, "horizontalSliderLEDPower")->setValue(value);
}

void LedPanelTest::effects_data()
{
    QTest::addColumn<QString>("controller");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("preview");
    QTest::addColumn<QString>("law");
    QTest::addColumn<QString>("channelOrder");   // channels in blocks 16, 32, 48
    QTest::newRow("solid 4, hardware 22") << "v2000,hw=22" << "pushButtonLedC4" << ":/ui/res/led/led4.png"
                                          << ":/res/ledfiles/cns4.adl" << "312";
    QTest::newRow("breathing 4, hardware 21") << "v2000" << "pushButtonLedF4" << ":/ui/res/led/led4.png"
                                              << ":/res/ledfiles/brt4.adl" << "123";
    QTest::newRow("cycle, hardware 22") << "v2000,hw=22" << "pushButtonLedCyc" << ":/ui/res/led/ledcyc.png"
                                        << ":/res/ledfiles/cyc.adl" << "312";
    QTest::newRow("solid 13, v1100") << "v1100" << "pushButtonLedC13" << ":/ui/res/led/led13.png"
                                     << ":/res/ledfiles/cns13.adl" << "123";
}

void LedPanelTest::effects()
{
    QFETCH(QString, controller);
    QFETCH(QString, button);
    QFETCH(QString, preview);
    QFETCH(QString, law);
    QFETCH(QString, channelOrder);
    const CorvaneLEDLaw expected = lawOf(law);
    m_window = m_kit.openWindow(controller);
    QVERIFY(m_window);
    switchLed(1);
    QTRY_VERIFY_WITH_TIMEOUT(!PanelTestKit::sentReports().isEmpty(), TimeoutMs);
    PanelTestKit::bus().clearLog();

    m_window->findChild<QAbstractButton *>(button)->click();
    QCOMPARE(panelWidget<QFrame>(*m_window, "frameLEDSimulator")->styleSheet(),
             QStringLiteral("border-image: url(%1);").arg(preview));
    const QByteArray channels[] = {expected.CH1, expected.CH2, expected.CH3};
    QTRY_COMPARE_WITH_TIMEOUT(sentBlock(48), channels[channelOrder[2].digitValue() - 1], TimeoutMs);
    QCOMPARE(sentBlock(16), channels[channelOrder[0].digitValue() - 1]);
    QCOMPARE(sentBlock(32), channels[channelOrder[1].digitValue() - 1]);
    QTRY_VERIFY_WITH_TIMEOUT(PanelTestKit::bus().state(1)->live.ledPower, TimeoutMs);
    QCOMPARE(PanelTestKit::bus().state(1)->live.lawCount, expected.lawCount);
    QCOMPARE(PanelTestKit::bus().state(1)->live.intervalTimeMS, expected.intervalTimeMS);
    if (controller.startsWith(QLatin1String("v2000"))) {
        const QStringList sent = PanelTestKit::sentReports();
        QCOMPARE(sent.constFirst(), LedOff);
        QCOMPARE(sent.value(1), lawHeader(expected));
        QCOMPARE(sent.constLast(), LedOn);
    }
}

// Off and on again: the effect buttons follow, the last effect is not sent again.
void LedPanelTest::powerSwitch()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    auto *effects = panelWidget<QFrame>(*m_window, "frameLEDLightControl");
    auto *solid = panelWidget<QAbstractButton>(*m_window, "pushButtonLedC2");
    QVERIFY(!solid->isEnabled());

    switchLed(1);
    QVERIFY(effects->isEnabled() && solid->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::sentReports(), QStringList{LedOn}, TimeoutMs);
    solid->click();
    // The upload ends by switching the LED on again.
    QTRY_VERIFY_WITH_TIMEOUT(PanelTestKit::sentReports().size() > 2 && PanelTestKit::sentReports().constLast() == LedOn,
                             TimeoutMs);
    PanelTestKit::bus().clearLog();

    switchLed(0);
    QVERIFY(!effects->isEnabled() && !solid->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::sentReports(), QStringList{LedOff}, TimeoutMs);
    switchLed(1);
    QVERIFY(effects->isEnabled() && solid->isEnabled());
    QTest::qWait(500);
    QCOMPARE(PanelTestKit::sentReports(), (QStringList{LedOff, LedOn}));
    QVERIFY(!PanelTestKit::bus().state(1)->live.blocks[0].isEmpty());
}

void LedPanelTest::effectsNeedPower()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    auto *preview = panelWidget<QFrame>(*m_window, "frameLEDSimulator");
    const QString before = preview->styleSheet();
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "on_buttonGroupSolidLED_buttonClicked", Q_ARG(int, 3)));
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "on_buttonGroupBreathLED_buttonClicked", Q_ARG(int, 3)));
    QVERIFY(QMetaObject::invokeMethod(m_window.get(), "on_pushButtonLedCyc_clicked"));
    QTest::qWait(300);
    QCOMPARE(preview->styleSheet(), before);
    QVERIFY(PanelTestKit::sentReports().isEmpty());
}

void LedPanelTest::optionBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("code");
    QTest::newRow("fan auto-start") << "checkBoxAutoStartFan" << "1a";
    QTest::newRow("fan hibernate") << "checkBoxHibernateFan" << "1c";
    QTest::newRow("LED auto-start") << "checkBoxAutoStartLED" << "2a";
    QTest::newRow("LED hibernate") << "checkBoxHibernateLED" << "2c";
}

// Each click sends the box's new state at once.
void LedPanelTest::optionBoxes()
{
    QFETCH(QString, box);
    QFETCH(QString, code);
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    auto *checkBox = m_window->findChild<QCheckBox *>(box);
    checkBox->click();
    checkBox->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::sentReports(),
                              (QStringList{PanelTestKit::report(QStringLiteral("06a0b001c0%1a1").arg(code)),
                                           PanelTestKit::report(QStringLiteral("06a0b000c0%1a1").arg(code))}),
                              TimeoutMs);
}

void LedPanelTest::settingsLoadedAtOpen_data()
{
    QTest::addColumn<bool>("ledOn");
    QTest::addColumn<QStringList>("sentAtOpen");
    QTest::newRow("LED on") << true << QStringList{LedOn};
    QTest::newRow("LED off") << false << QStringList();
}

// A second window onto a controller that the first one set up: the options
// are loaded without being sent back, the LED switch is sent when it moves.
void LedPanelTest::settingsLoadedAtOpen()
{
    QFETCH(bool, ledOn);
    QFETCH(QStringList, sentAtOpen);
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    switchLed(ledOn ? 1 : 0);
    panelWidget<QCheckBox>(*m_window, "checkBoxAutoStartLED")->click();
    panelWidget<QCheckBox>(*m_window, "checkBoxHibernateFan")->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelTestKit::sentReports().size(), ledOn ? 3 : 2, TimeoutMs);
    m_window.reset();
    PanelTestKit::bus().clearLog();

    m_window = PanelTestKit::openAnotherWindow();
    QVERIFY(m_window);
    QCOMPARE(panelWidget<QSlider>(*m_window, "horizontalSliderLEDPower")->value(), ledOn ? 1 : 0);
    QCOMPARE(panelWidget<QFrame>(*m_window, "frameLEDLightControl")->isEnabled(), ledOn);
    QVERIFY(panelWidget<QFrame>(*m_window, "frameLEDControlPanel")->isEnabled());
    QVERIFY(panelWidget<QCheckBox>(*m_window, "checkBoxAutoStartLED")->isChecked());
    QVERIFY(panelWidget<QCheckBox>(*m_window, "checkBoxHibernateFan")->isChecked());
    QVERIFY(!panelWidget<QCheckBox>(*m_window, "checkBoxAutoStartFan")->isChecked());
    QVERIFY(!panelWidget<QCheckBox>(*m_window, "checkBoxHibernateLED")->isChecked());
    QTest::qWait(300);
    QCOMPARE(PanelTestKit::sentReports(), sentAtOpen);
}

// What another front end calls: the controls follow, and what the controls
// could not do is refused.
void LedPanelTest::operationsKeepTheControlsInStep()
{
    m_window = m_kit.openWindow(QStringLiteral("v2000"));
    QVERIFY(m_window);
    ControllerRules &rules = MainWindowProbe::rules(*m_window);
    auto *power = panelWidget<QSlider>(*m_window, "horizontalSliderLEDPower");
    auto *preview = panelWidget<QFrame>(*m_window, "frameLEDSimulator");
    const auto isLive = [](const CorvaneLEDLaw &law) {
        const auto state = PanelTestKit::bus().state(1);
        return state->live.lawCount == law.lawCount && state->live.blocks[0] == law.CH1;
    };

    QVERIFY(!rules.setSolidColour(2).ok());
    QVERIFY(rules.setLedPower(true).ok());
    QCOMPARE(power->value(), 1);
    QVERIFY(panelWidget<QFrame>(*m_window, "frameLEDLightControl")->isEnabled());
    QVERIFY(!rules.setSolidColour(ControllerRules::ColourCount).ok());
    QVERIFY(!rules.setBreathingColour(-1).ok());
    QVERIFY(rules.setBreathingColour(5).ok());
    QCOMPARE(preview->styleSheet(), QStringLiteral("border-image: url(:/ui/res/led/led5.png);"));
    QTRY_VERIFY_WITH_TIMEOUT(isLive(lawOf(QStringLiteral(":/res/ledfiles/brt5.adl"))), TimeoutMs);

    QTemporaryFile cycle;
    QVERIFY(copyResource(QStringLiteral(":/res/ledfiles/cyc.adl"), &cycle));
    QVERIFY(!rules.uploadLedLaw(cycle.fileName() + QLatin1String(".missing")).ok());
    QVERIFY(rules.uploadLedLaw(cycle.fileName()).ok());
    QCOMPARE(preview->styleSheet(), QStringLiteral("border-image: url(:/ui/res/led/led5.png);"));
    QTRY_VERIFY_WITH_TIMEOUT(isLive(lawOf(QStringLiteral(":/res/ledfiles/cyc.adl"))), TimeoutMs);
    QVERIFY(rules.setOption(ControllerRules::Part::Led, ControllerRules::Option::AutoRun, true).ok());
    QVERIFY(panelWidget<QCheckBox>(*m_window, "checkBoxAutoStartLED")->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(PanelTestKit::bus().state(1)->live.ledAutoRun, TimeoutMs);

    QVERIFY(PanelTestKit::bus().unplug(1));
    PanelTestKit::bus().clearLog();
    QVERIFY(!rules.setLedPower(false).ok());
    QCOMPARE(power->value(), 1);
    QVERIFY(!rules.setColourCycle().ok());
    QVERIFY(!rules.uploadLedLaw(cycle.fileName()).ok());
    QVERIFY(!rules.setOption(ControllerRules::Part::Led, ControllerRules::Option::AutoRun, false).ok());
    QTest::qWait(100);
    QVERIFY(PanelTestKit::bus().log().isEmpty());
}

QTEST_MAIN(LedPanelTest)
#include "tst_ledpanel.moc"
