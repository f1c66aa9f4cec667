// SPDX-License-Identifier: GPL-3.0-or-later
// The form as the code and the other suites meet it: the object names and
// classes they look up, the widgets' kinds and starting states, the texts the
// suites search for, and how the colour squares and level sliders look. Not
// its sizes and places: the form holds those, and PanelTestKit::layoutFaults
// (tst_coolingwindow::controlsDoNotOverlap) finds a layout that breaks.
#include "ui_mainwindow.h"

#include <QMenuBar>
#include <QTest>

namespace {

const QVector<QColor> &palette()
{
    static const QVector<QColor> colours = {
        {0, 155, 76}, {172, 206, 34}, {255, 240, 0}, {240, 133, 25}, {230, 33, 41},
        {167, 33, 133}, {228, 0, 130}, {244, 181, 208}, {254, 254, 254}, {160, 217, 246},
        {98, 195, 208}, {0, 162, 233}, {0, 109, 184}, {47, 49, 139}};
    return colours;
}

bool near(const QColor &a, const QColor &b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

QString describe(const QColor &c)
{
    return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

QString textOf(const QObject *object)
{
    if (auto label = qobject_cast<const QLabel *>(object))
        return label->text();
    if (auto button = qobject_cast<const QAbstractButton *>(object))
        return button->text();
    if (auto edit = qobject_cast<const QLineEdit *>(object))
        return edit->text();
    if (auto action = qobject_cast<const QAction *>(object))
        return action->text();
    return QStringLiteral("<no text property>");
}

} // namespace

class TestMainWindowForm : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindow();
    void widgets_data();
    void widgets();
    void stackingOrder();
    void texts_data();
    void texts();
    void tabs();
    void actions();
    void sliderRanges_data();
    void sliderRanges();
    void buttons_data();
    void buttons();
    void statusPanel();
    void colourButtons_data();
    void colourButtons();
    void cycleButtonRunsThroughPalette();
    void disabledColourButtonsAreDark_data();
    void disabledColourButtonsAreDark();
    void fanSliderFill_data();
    void fanSliderFill();

private:
    template <typename T = QWidget>
    T *child(const QString &name)
    {
        return m_window.findChild<T *>(name);
    }
    QColor pixel(QWidget *widget, QPoint at);

    QMainWindow m_window;
    Ui::MainWindow m_ui;
};

void TestMainWindowForm::initTestCase()
{
    m_ui.setupUi(&m_window);
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
}

QColor TestMainWindowForm::pixel(QWidget *widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

// The title is how tst_tray, tst_configerror and the end-to-end session find the window.
void TestMainWindowForm::mainWindow()
{
    QCOMPARE(m_window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window.windowTitle(), QStringLiteral("Corvantis"));
    // A fixed size: the user cannot resize the window.
    QCOMPARE(m_window.minimumSize(), m_window.maximumSize());
    QCOMPARE(m_window.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(m_window.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(m_window.locale(), QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(m_window.centralWidget(), m_ui.centralWidget);
    QCOMPARE(m_ui.centralWidget->objectName(), QStringLiteral("centralWidget"));
    QVERIFY(!m_window.windowIcon().isNull());
}

void TestMainWindowForm::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    auto row = [](const char *name, const char *cls, const char *parent) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls) << QString::fromLatin1(parent);
    };
    row("labelCPU", "QLabel", "centralWidget");
    row("labelVersion", "QLabel", "centralWidget");
    row("frameStatus", "QFrame", "centralWidget");
    row("tabWidget", "QTabWidget", "centralWidget");
    row("frameMode", "QFrame", "centralWidget");
    row("pushButtonMainLogo", "QPushButton", "centralWidget");
    row("labelDebug", "QLabel", "centralWidget");

    row("labelCorvaneModel", "QLabel", "frameStatus");
    row("labelCvDeviceAdapter", "QLabel", "frameStatus");
    row("labelCvDeviceAdapterIcon", "QLabel", "frameStatus");
    row("labelCvDeviceStatus", "QLabel", "frameStatus");
    row("lineEditCvDeviceSN", "QLineEdit", "frameStatus");
    row("frameFanControlPanel", "QFrame", "tab");
    row("frameLEDControlPanel", "QFrame", "tab");
    row("frameFanSimulator", "QFrame", "frameFanControlPanel");
    row("labelFan1", "RotationLabel", "frameFanSimulator");
    row("labelFan4", "RotationLabel", "frameFanSimulator");
    row("frameFanSpeedControlPanel", "QFrame", "frameFanControlPanel");
    row("checkBoxChangeBoost", "QCheckBox", "frameAutoRunPanel");
    row("horizontalSliderFanG1", "LevelSlider", "frameFanG1");
    row("labelFanDutyG2", "QLabel", "frameFanG2");
    row("labelLEDCover", "QLabel", "frameLEDSimulator");
    row("horizontalSliderLEDPower", "QSlider", "frameLEDPowerCentrol");
    row("frameLEDLightControl", "QFrame", "frameLEDLightControlPanel");
    row("pushButtonLedC13", "QPushButton", "frame_LED_Solid");
    row("pushButtonLedF0", "QPushButton", "frame_LED_breathe");
    row("pushButtonLedCyc", "QPushButton", "frame_LED_Cyc");
    row("frameUtilities", "QFrame", "tab_2");
    row("pushButtonSave", "QPushButton", "frameMode");
}

void TestMainWindowForm::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    QWidget *widget = child(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
}

// The status frame's right edge lies under the tab widget: the tab widget
// must come later, on top.
void TestMainWindowForm::stackingOrder()
{
    QStringList order;
    for (QObject *object : m_ui.centralWidget->children()) {
        if (object->isWidgetType())
            order << object->objectName();
    }
    QCOMPARE(order, (QStringList{"frameStatus", "labelCPU", "labelVersion", "tabWidget", "frameMode",
                                 "pushButtonMainLogo", "labelDebug"}));
}

// The texts the other suites look for in the form's widgets. Every other
// text of the form must have its translation: tst_zhcntranslation::formIsTranslated.
void TestMainWindowForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const QList<QPair<const char *, const char *>> rows = {
        {"labelCvDeviceStatus", "Unconnected"}, {"lineEditCvDeviceSN", "N/A"},
        {"label", "G1"}, {"labelFanDutyG1", "DUTY CYCLE"}, {"labelFanDutyG2", "DUTY CYCLE"},
    };
    for (const auto &row : rows)
        QTest::newRow(row.first) << QString::fromLatin1(row.first) << QString::fromLatin1(row.second);
}

void TestMainWindowForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    QObject *object = m_window.findChild<QObject *>(name);
    QVERIFY(object);
    QCOMPARE(textOf(object), text);
}

void TestMainWindowForm::tabs()
{
    QCOMPARE(m_ui.tabWidget->count(), 2);
    QCOMPARE(m_ui.tabWidget->currentIndex(), 0);
    QCOMPARE(m_ui.tabWidget->widget(0)->objectName(), QStringLiteral("tab"));
    QCOMPARE(m_ui.tabWidget->widget(1)->objectName(), QStringLiteral("tab_2"));
    QCOMPARE(m_ui.tabWidget->tabText(0), QStringLiteral("Control"));
    QCOMPARE(m_ui.tabWidget->tabText(1), QStringLiteral("Utilities"));
}

void TestMainWindowForm::actions()
{
    QCOMPARE(m_ui.actionExit->parent(), &m_window);
    QVERIFY(!m_ui.actionExit->isCheckable());
    QCOMPARE(m_ui.actionAutoStartUp->parent(), &m_window);
    QVERIFY(m_ui.actionAutoStartUp->isCheckable());
    QVERIFY(!m_window.findChild<QMenuBar *>());
}

void TestMainWindowForm::sliderRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maximum");

    QTest::newRow("fan G1") << "horizontalSliderFanG1" << 9;
    QTest::newRow("fan G2") << "horizontalSliderFanG2" << 9;
    QTest::newRow("LED power") << "horizontalSliderLEDPower" << 1;
}

void TestMainWindowForm::sliderRanges()
{
    QFETCH(QString, name);
    QFETCH(int, maximum);

    auto *slider = child<QSlider>(name);
    QVERIFY(slider);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), maximum);
    QCOMPARE(slider->pageStep(), 1);
    QCOMPARE(slider->value(), 0);
}

void TestMainWindowForm::buttons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");

    QTest::newRow("AUTO") << "pushButtonAutoFan" << true << false;
    QTest::newRow("MAN") << "pushButtonManFan" << true << true;
    QTest::newRow("DUST") << "pushButtonDustFan" << false << false;
    QTest::newRow("SAVE") << "pushButtonSave" << false << false;
    QTest::newRow("logo") << "pushButtonMainLogo" << false << false;
    QTest::newRow("cycle") << "pushButtonLedCyc" << false << false;
}

void TestMainWindowForm::buttons()
{
    QFETCH(QString, name);
    QFETCH(bool, checkable);
    QFETCH(bool, checked);

    auto *button = child<QPushButton>(name);
    QVERIFY(button);
    QVERIFY(button->isFlat());
    QCOMPARE(button->isCheckable(), checkable);
    QCOMPARE(button->autoExclusive(), checkable);
    QCOMPARE(button->isChecked(), checked);
}

void TestMainWindowForm::statusPanel()
{
    QCOMPARE(m_ui.formLayout->rowCount(), 4);
    QVERIFY(m_ui.lineEditCvDeviceSN->isReadOnly());
    QVERIFY(!m_ui.lineEditCvDeviceSN->hasFrame());
    QCOMPARE(m_ui.lineEditCvDeviceSN->focusPolicy(), Qt::NoFocus);
    QCOMPARE(m_ui.pushButtonMainLogo->focusPolicy(), Qt::NoFocus);
    QVERIFY(!m_ui.pushButtonMainLogo->icon().isNull());
    for (QCheckBox *box : m_window.findChildren<QCheckBox *>())
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    for (RotationLabel *blade : m_window.findChildren<RotationLabel *>()) {
        QVERIFY(blade->hasScaledContents());
        QVERIFY(!blade->pixmap(Qt::ReturnByValue).isNull());
    }
}

void TestMainWindowForm::colourButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("breathing");

    for (int n = 0; n < palette().size(); ++n) {
        QTest::addRow("solid %d", n) << QStringLiteral("pushButtonLedC%1").arg(n) << n << false;
        QTest::addRow("breathe %d", n) << QStringLiteral("pushButtonLedF%1").arg(n) << n << true;
    }
}

void TestMainWindowForm::colourButtons()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(bool, breathing);

    auto *button = child<QPushButton>(name);
    QVERIFY(button);
    QVERIFY(button->isFlat());

    const QColor colour = palette().at(index);
    const QPoint middle = button->rect().center();
    const QColor centre = pixel(button, middle);
    QVERIFY2(near(centre, colour, 3), qPrintable(describe(centre)));
    const QColor edge = pixel(button, {0, middle.y()});
    if (breathing)
        QVERIFY2(near(edge, Qt::black, 40), qPrintable(describe(edge)));
    else
        QVERIFY2(near(edge, colour, 3), qPrintable(describe(edge)));
}

void TestMainWindowForm::cycleButtonRunsThroughPalette()
{
    const QImage image = m_ui.pushButtonLedCyc->grab().toImage();
    for (int n = 0; n < palette().size(); ++n) {
        const int x = qRound(n * (image.width() - 1) / 13.0);
        const QColor found = image.pixelColor(x, image.height() / 2);
        QVERIFY2(near(found, palette().at(n), 12),
                 qPrintable(QStringLiteral("colour %1 at x=%2: %3").arg(n).arg(x).arg(describe(found))));
    }
}

void TestMainWindowForm::disabledColourButtonsAreDark_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("solid") << "pushButtonLedC4";
    QTest::newRow("breathe") << "pushButtonLedF8";
    QTest::newRow("cycle") << "pushButtonLedCyc";
}

void TestMainWindowForm::disabledColourButtonsAreDark()
{
    QFETCH(QString, name);

    auto *button = child<QPushButton>(name);
    m_ui.frameLEDLightControl->setEnabled(false);
    const QImage image = button->grab().toImage();
    m_ui.frameLEDLightControl->setEnabled(true);

    QCOMPARE(image.pixelColor(0, 0), QColor(0x5a, 0x5a, 0x5a));
    const QColor top = image.pixelColor(image.width() / 2, 1);
    const QColor bottom = image.pixelColor(image.width() / 2, image.height() - 2);
    QVERIFY2(top.red() == top.blue() && top.red() >= 22 && top.red() < bottom.red() && bottom.red() <= 55,
             qPrintable(describe(top) + " to " + describe(bottom)));
}

void TestMainWindowForm::fanSliderFill_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("signalsBlocked");
    QTest::addColumn<QColor>("fill");

    const QColor cyan(0x00, 0xa2, 0xe9), red(0xff, 0, 0), grey(0x5f, 0x5f, 0x5f);
    QTest::newRow("G1 at 5") << "horizontalSliderFanG1" << 5 << true << false << cyan;
    QTest::newRow("G1 at 9") << "horizontalSliderFanG1" << 9 << true << false << red;
    QTest::newRow("G2 at 9, set quietly") << "horizontalSliderFanG2" << 9 << true << true << red;
    QTest::newRow("G2 back to 8") << "horizontalSliderFanG2" << 8 << true << false << cyan;
    QTest::newRow("G1 at 9, disabled") << "horizontalSliderFanG1" << 9 << false << false << grey;
    QTest::newRow("LED power on") << "horizontalSliderLEDPower" << 1 << true << false << cyan;
}

void TestMainWindowForm::fanSliderFill()
{
    QFETCH(QString, name);
    QFETCH(int, value);
    QFETCH(bool, enabled);
    QFETCH(bool, signalsBlocked);
    QFETCH(QColor, fill);

    auto *slider = child<QSlider>(name);
    slider->setEnabled(enabled);
    const bool wasBlocked = slider->blockSignals(signalsBlocked);
    slider->setValue(value);
    slider->blockSignals(wasBlocked);

    const QColor found = pixel(slider, {6, slider->height() / 2});
    slider->setValue(0);
    slider->setEnabled(true);
    QVERIFY2(near(found, fill, 2), qPrintable(describe(found)));
}

QTEST_MAIN(TestMainWindowForm)
#include "tst_mainwindowform.moc"
