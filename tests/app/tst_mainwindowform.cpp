// SPDX-License-Identifier: GPL-3.0-or-later
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
    void windowIsFixed();
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

void TestMainWindowForm::windowIsFixed()
{
    QCOMPARE(m_window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window.size(), QSize(800, 512));
    QCOMPARE(m_window.minimumSize(), QSize(800, 512));
    QCOMPARE(m_window.maximumSize(), QSize(800, 512));
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
    QTest::addColumn<QRect>("geometry"); // null: placed by a layout

    auto row = [](const char *name, const char *cls, const char *parent, QRect geometry = {}) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls)
                            << QString::fromLatin1(parent) << geometry;
    };
    row("labelCPU", "QLabel", "centralWidget", {561, 9, 221, 16});
    row("labelVersion", "QLabel", "centralWidget", {560, 485, 231, 21});
    row("frameStatus", "QFrame", "centralWidget", {23, 333, 247, 157});
    row("tabWidget", "QTabWidget", "centralWidget", {247, 30, 520, 445});
    row("frameMode", "QFrame", "centralWidget", {-3, 129, 211, 193});
    row("pushButtonMainLogo", "QPushButton", "centralWidget", {24, 36, 180, 84});
    row("labelDebug", "QLabel", "centralWidget", {6, 6, 217, 16});

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
    QFETCH(QRect, geometry);

    QWidget *widget = child(name);
    QVERIFY(widget);
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    if (!geometry.isNull())
        QCOMPARE(widget->geometry(), geometry);
}

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

void TestMainWindowForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    const QList<QPair<const char *, const char *>> rows = {
        {"labelCPU", ""}, {"labelDebug", ""}, {"labelVersion", "version"},
        {"label_28", "Model:"}, {"label_29", "Adapter:"}, {"label_30", "Device:"}, {"label_31", "Serial:"},
        {"labelCorvaneModel", ""}, {"labelCvDeviceAdapter", ""},
        {"labelCvDeviceStatus", "Unconnected"}, {"lineEditCvDeviceSN", "N/A"},
        {"label", "G1"}, {"label_2", "G2"}, {"label_3", "G2"}, {"label_4", "G1"},
        {"checkBoxHibernateFan", "Auto Hibernate"}, {"checkBoxAutoStartFan", "Auto Start"},
        {"checkBoxChangeBoost", "Change Boost"}, {"checkBoxHibernateLED", "Auto Hibernate"},
        {"checkBoxAutoStartLED", "Auto Start"},
        {"label_21", "Fan G1"}, {"label_23", "Fan G2"},
        {"labelFanDutyG1", "DUTY CYCLE"}, {"labelFanDutyG2", "DUTY CYCLE"},
        {"label_27", "LED Power"}, {"label_25", "Solid"}, {"label_24", "Breathe"}, {"label_26", "Cycle"},
        {"pushButtonAutoFan", "AUTO"}, {"pushButtonManFan", "MAN"}, {"pushButtonDustFan", "DUST"},
        {"pushButtonSave", "SAVE"}, {"pushButtonMainLogo", ""}, {"pushButtonLedC0", ""},
        {"pushButtonLedF13", ""}, {"pushButtonLedCyc", ""}, {"label_10", ""},
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
    QCOMPARE(m_window.windowTitle(), QStringLiteral("Corvantis"));
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
    QCOMPARE(m_ui.actionExit->text(), QStringLiteral("Exit"));
    QCOMPARE(m_ui.actionExit->toolTip(), QStringLiteral("Exit Corvane"));
    QVERIFY(!m_ui.actionExit->isCheckable());
    QCOMPARE(m_ui.actionAutoStartUp->parent(), &m_window);
    QCOMPARE(m_ui.actionAutoStartUp->text(), QStringLiteral("Auto Start Up"));
    QCOMPARE(m_ui.actionAutoStartUp->toolTip(), QStringLiteral("Auto Start Up Corvane"));
    QVERIFY(m_ui.actionAutoStartUp->isCheckable());
    QVERIFY(!m_window.findChild<QMenuBar *>());
}

void TestMainWindowForm::sliderRanges_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QSize>("fixedSize"); // null: sized by the layout

    QTest::newRow("fan G1") << "horizontalSliderFanG1" << 9 << QSize();
    QTest::newRow("fan G2") << "horizontalSliderFanG2" << 9 << QSize();
    QTest::newRow("LED power") << "horizontalSliderLEDPower" << 1 << QSize(48, 27);
}

void TestMainWindowForm::sliderRanges()
{
    QFETCH(QString, name);
    QFETCH(int, maximum);
    QFETCH(QSize, fixedSize);

    auto *slider = child<QSlider>(name);
    QVERIFY(slider);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), maximum);
    QCOMPARE(slider->pageStep(), 1);
    QCOMPARE(slider->value(), 0);
    if (fixedSize.isValid()) {
        QCOMPARE(slider->minimumSize(), fixedSize);
        QCOMPARE(slider->maximumSize(), fixedSize);
    }
}

void TestMainWindowForm::buttons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QSize>("minimum");
    QTest::addColumn<QSize>("maximum");

    QTest::newRow("AUTO") << "pushButtonAutoFan" << true << false << QSize(56, 56) << QSize(52, 52);
    QTest::newRow("MAN") << "pushButtonManFan" << true << true << QSize(56, 56) << QSize(52, 52);
    QTest::newRow("DUST") << "pushButtonDustFan" << false << false << QSize(56, 56) << QSize(56, 56);
    QTest::newRow("SAVE") << "pushButtonSave" << false << false << QSize(56, 56) << QSize(56, 56);
    QTest::newRow("logo") << "pushButtonMainLogo" << false << false << QSize(180, 84) << QSize(180, 84);
    QTest::newRow("cycle") << "pushButtonLedCyc" << false << false << QSize(0, 16) << QSize(224, 16);
}

void TestMainWindowForm::buttons()
{
    QFETCH(QString, name);
    QFETCH(bool, checkable);
    QFETCH(bool, checked);
    QFETCH(QSize, minimum);
    QFETCH(QSize, maximum);

    auto *button = child<QPushButton>(name);
    QVERIFY(button);
    QVERIFY(button->isFlat());
    QCOMPARE(button->isCheckable(), checkable);
    QCOMPARE(button->autoExclusive(), checkable);
    QCOMPARE(button->isChecked(), checked);
    QCOMPARE(button->minimumSize(), minimum);
    QCOMPARE(button->maximumSize(), maximum);
}

void TestMainWindowForm::statusPanel()
{
    QCOMPARE(m_ui.formLayout->horizontalSpacing(), 6);
    QCOMPARE(m_ui.formLayout->verticalSpacing(), 16);
    QCOMPARE(m_ui.formLayout->contentsMargins(), QMargins(8, 8, 8, 8));
    QCOMPARE(m_ui.formLayout->rowCount(), 4);
    QCOMPARE(m_ui.gridLayout_4->verticalSpacing(), 24);

    QVERIFY(m_ui.lineEditCvDeviceSN->isReadOnly());
    QVERIFY(!m_ui.lineEditCvDeviceSN->hasFrame());
    QCOMPARE(m_ui.lineEditCvDeviceSN->focusPolicy(), Qt::NoFocus);
    QCOMPARE(m_ui.pushButtonMainLogo->focusPolicy(), Qt::NoFocus);
    QCOMPARE(m_ui.pushButtonMainLogo->iconSize(), QSize(175, 78));
    QVERIFY(!m_ui.pushButtonMainLogo->icon().isNull());
    for (QCheckBox *box : m_window.findChildren<QCheckBox *>())
        QVERIFY2(!box->isChecked(), qPrintable(box->objectName()));
    for (RotationLabel *blade : m_window.findChildren<RotationLabel *>()) {
        QCOMPARE(blade->size(), QSize(60, 60));
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
    // Side by side without gaps, the fourteen squares fill the 224-pixel row.
    QCOMPARE(button->geometry(), QRect(16 * index, 0, 16, 16));

    const QColor colour = palette().at(index);
    const QColor centre = pixel(button, {8, 8});
    QVERIFY2(near(centre, colour, 3), qPrintable(describe(centre)));
    const QColor edge = pixel(button, {0, 8});
    if (breathing)
        QVERIFY2(near(edge, Qt::black, 40), qPrintable(describe(edge)));
    else
        QVERIFY2(near(edge, colour, 3), qPrintable(describe(edge)));
}

void TestMainWindowForm::cycleButtonRunsThroughPalette()
{
    QPushButton *button = m_ui.pushButtonLedCyc;
    QCOMPARE(button->height(), 16);
    const QImage image = button->grab().toImage();
    for (int n = 0; n < palette().size(); ++n) {
        const int x = qRound(n * (image.width() - 1) / 13.0);
        const QColor found = image.pixelColor(x, 8);
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
