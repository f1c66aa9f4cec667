// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "deviceidentity.h"
#include "globalconfig.h"
#include "mainwindowcoprocessor.h"
#include "platform/autostartentry.h"
#include "platform/instancemarker.h"
#include "platform/utilitiespanel.h"
#include "rotationlabel.h"
#include "usersettings.h"
#include "windowlogging.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGenericPluginFactory>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QSignalBlocker>
#include <QThread>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include <cstdlib>

namespace {

constexpr quint16 SupportedVendorId = 0x2A0E;
constexpr quint16 SupportedProductId = 0x1000;
constexpr int AutoFanSpeedIntervalMs = 5000;
constexpr int MonitorShowIntervalMs = 1000;
constexpr int LedColourCount = 14;
constexpr int FansPerGroup = 2;
constexpr int G1FirstFan = 0;
constexpr int G2FirstFan = 2;
constexpr int BoostLeadMs = 10;
constexpr int LevelDelayMs = 10;
constexpr int BoostedLevelDelayMs = 1000;
constexpr float LowestPoweredVolts = 9.0f;

} // namespace

MainWindow::MainWindow(QSharedPointer<QSharedMemory> sharedMemory, QWidget *parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      buttonGroupSolidLED(new QButtonGroup(this)),
      buttonGroupBreathLED(new QButtonGroup(this)),
      autoFanSpeedTimer(new QTimer(this)),
      monitorShowTimer(new QTimer(this)),
      bladeSpinner({&fanAnimations[0], &fanAnimations[3], &fanAnimations[1], &fanAnimations[2]}, this),
      sharedMemory(std::move(sharedMemory)),
      utilitiesButtonGroup(new QButtonGroup(this)),
      coprocessorThread(new QThread(this)),
      coprocessor(new MainWindowCoProcessor)
{
    coprocessor->setObjectName(QStringLiteral("coprocessor"));
    coprocessor->moveToThread(coprocessorThread);
    nameTimersAndGroups();
    bindPlugin();
    createTrayIcon();
    // Connects the slots by name: every sender must be named and parented by now.
    ui->setupUi(this);
    setUpFanControls();
    setUpLedButtonGroups();
    ui->labelVersion->setText(QStringLiteral("version 1.0.6"));
    setUpTrayMenu();
    setUpModeButtonGroup();
    applyUserSettings();
    startConfigurationLoad();
    trayIcon->show();
    setUpFanAnimations();
    setDeviceControlsEnabled(false);
    buildUtilitiesPanel();
    monitorShowTimer->start();
}

MainWindow::~MainWindow()
{
    stopConfigurationThread();
    delete coprocessor;
    // The manager goes first: it may still refer to the widget it listens to.
    delete device;
    delete notificationWidget;
    delete ui;
    sharedMemory.reset();
}

void MainWindow::nameTimersAndGroups()
{
    buttonGroupSolidLED->setObjectName(QStringLiteral("buttonGroupSolidLED"));
    buttonGroupBreathLED->setObjectName(QStringLiteral("buttonGroupBreathLED"));
    utilitiesButtonGroup->setObjectName(QStringLiteral("utilitiesButtonGroup"));
    autoFanSpeedTimer->setObjectName(QStringLiteral("autoFanSpeedTimer"));
    autoFanSpeedTimer->setInterval(AutoFanSpeedIntervalMs);
    monitorShowTimer->setObjectName(QStringLiteral("monitorShowTimer"));
    monitorShowTimer->setInterval(MonitorShowIntervalMs);
}

// All calls are queued, so they run in this order once the event loop turns,
// ahead of the configuration result that later asks the manager to connect.
void MainWindow::bindPlugin()
{
    device = QGenericPluginFactory::create(QStringLiteral("CorvaneHIDDevice"), QString());
    notificationWidget = QGenericPluginFactory::create(QStringLiteral("CorvaneDeviceNotificationWidget"), QString());
    if (!device || !notificationWidget) {
        warnPluginMissing();
        return;
    }
    QMetaObject::invokeMethod(notificationWidget, "registerDeviceNotification", Qt::QueuedConnection);
    device->setParent(this);
    device->setObjectName(QStringLiteral("device"));
    QMetaObject::invokeMethod(device, "setMonitorWidget", Qt::QueuedConnection,
                              Q_ARG(QObject *, notificationWidget));
    QMetaObject::invokeMethod(device, "addSupportedDeviceID", Qt::QueuedConnection,
                              Q_ARG(quint16, SupportedVendorId), Q_ARG(quint16, SupportedProductId));
}

void MainWindow::warnPluginMissing()
{
    QMessageBox::warning(this, tr("Plugin not found"),
                         tr("Sorry, we can't find the right plugins, please try to reinstall."),
                         QMessageBox::Ok, QMessageBox::NoButton);
    qCDebug(lcWindow) << "library paths:" << QCoreApplication::libraryPaths();
}

void MainWindow::createTrayIcon()
{
    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setObjectName(QStringLiteral("trayIcon"));
    trayIcon->setIcon(QIcon(QStringLiteral(":/res/logo.png")));
    trayMenu = new QMenu(this);
}

void MainWindow::setUpFanControls()
{
    showDuty(ui->labelFanDutyG1, 0);
    showDuty(ui->labelFanDutyG2, 0);
    const QPixmap blade(QStringLiteral(":/ui/res/blade.png"));
    const QPixmap bladeTurned(QStringLiteral(":/ui/res/blade25.png"));
    for (RotationLabel *label : bladeLabels()) {
        label->addPixmap(blade);
        label->addPixmap(bladeTurned);
    }
}

void MainWindow::setUpLedButtonGroups()
{
    for (int id = 0; id < LedColourCount; ++id) {
        buttonGroupSolidLED->addButton(
            findChild<QAbstractButton *>(QStringLiteral("pushButtonLedC%1").arg(id)), id);
    }
    for (int id = 0; id < LedColourCount; ++id) {
        buttonGroupBreathLED->addButton(
            findChild<QAbstractButton *>(QStringLiteral("pushButtonLedF%1").arg(id)), id);
    }
}

void MainWindow::setUpTrayMenu()
{
    ui->actionAutoStartUp->setCheckable(true);
    ui->actionAutoStartUp->setChecked(isAutoStartEnabled());
    trayMenu->addAction(ui->actionAutoStartUp);
    trayMenu->addSeparator();
    trayMenu->addAction(ui->actionExit);
    trayIcon->setContextMenu(trayMenu);
    connect(ui->actionExit, SIGNAL(triggered()), qApp, SLOT(quit()));
    // Exit, or a signal that ends the session, may come while the window is on screen.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::saveChangeBoost);
    connect(ui->actionAutoStartUp, SIGNAL(triggered(bool)), this, SLOT(enableAutoStart(bool)));
}

void MainWindow::setUpModeButtonGroup()
{
    auto *modes = new QButtonGroup(this);
    modes->addButton(ui->pushButtonAutoFan);
    modes->addButton(ui->pushButtonManFan);
    modes->setExclusive(true);
}

void MainWindow::applyUserSettings()
{
    const auto settings = UserSettings::open();
    if (!settings->value(QLatin1String(UserSettings::ShowCpuLoadingKey), false).toBool())
        ui->labelCPU->hide();
    ui->checkBoxChangeBoost->setChecked(settings->value(QLatin1String(UserSettings::ChangeBoostKey), true).toBool());
}

// The co-processor lives in the worker thread, so the automatic connection
// delivers its result queued, on the GUI thread.
void MainWindow::startConfigurationLoad()
{
    coprocessorThread->start(QThread::InheritPriority);
    connect(coprocessor, SIGNAL(initGlobalConfig(QVariant, bool)), this,
            SLOT(on_coprocessor_initGlobalConfig(QVariant, bool)));
    QMetaObject::invokeMethod(coprocessor, "loadDeviceGlobalConfig", Qt::QueuedConnection);
}

void MainWindow::setUpFanAnimations()
{
    const auto labels = bladeLabels();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        QPropertyAnimation &animation = fanAnimations[i];
        animation.setStartValue(0);
        animation.setEndValue(2);
        animation.setTargetObject(labels[i]);
        animation.setPropertyName("rotate");
        animation.setLoopCount(-1);
    }
}

void MainWindow::buildUtilitiesPanel()
{
    UtilitiesPanel(QCoreApplication::applicationDirPath()).build(ui->frameUtilities, utilitiesButtonGroup);
}

bool MainWindow::isAutoStartEnabled() const
{
    return AutoStartEntry(QCoreApplication::applicationFilePath()).isAutoStartEnabled();
}

bool MainWindow::enableAutoStart(bool enable)
{
    const QString program = QCoreApplication::applicationFilePath();
    qCDebug(lcWindow) << program;
    return AutoStartEntry(program).enableAutoStart(enable);
}

void MainWindow::setDeviceControlsEnabled(bool enabled)
{
    const std::array<QWidget *, 8> controls = {
        ui->pushButtonDustFan, ui->pushButtonAutoFan, ui->pushButtonManFan,
        ui->pushButtonSave, ui->frameFanControlPanel, ui->frameLEDControlPanel,
        ui->frameStatus, ui->frameLEDLightControl,
    };
    for (QWidget *control : controls)
        control->setEnabled(enabled);
}

void MainWindow::showDuty(QLabel *label, int duty)
{
    label->setText(tr("DUTY CYCLE %1%").arg(duty, 3, 10, QLatin1Char(' ')));
}

std::array<RotationLabel *, 4> MainWindow::bladeLabels() const
{
    return {ui->labelFan1, ui->labelFan2, ui->labelFan3, ui->labelFan4};
}

void MainWindow::stopConfigurationThread()
{
    coprocessorThread->quit();
    coprocessorThread->wait();
}

void MainWindow::on_coprocessor_initGlobalConfig(QVariant conf, bool isVerified)
{
    if (!isVerified) {
        QMessageBox::warning(this, tr("Error"), tr("Detected error, Please try to reinstall application!"),
                             QMessageBox::Close);
        // The worker is idle by now; ending it first keeps exit() from
        // tearing down the process under a running thread.
        stopConfigurationThread();
        std::exit(-2);
    }
    applyGlobalConfig(conf, fanDutyProcessors[0], fanDutyProcessors[1]);
    if (device && notificationWidget)
        QMetaObject::invokeMethod(device, "tryConnectSupportedDevice", Qt::QueuedConnection);
}

void MainWindow::on_device_supportedDeviceOpened(QString devPath, QObject *driver)
{
    Q_UNUSED(devPath)
    if (!driver)
        return;
    deviceAdapter = driver;
    ui->labelCvDeviceStatus->setText(tr("Connected"));
    const DeviceIdentity identity = DeviceIdentity::fromDriver(*driver);
    activeProcessor = &fanDutyProcessors[identity.usesFirstDutyTables() ? 0 : 1];
    ui->checkBoxHibernateFan->setEnabled(identity.canHibernate());
    ui->checkBoxHibernateLED->setEnabled(identity.canHibernate());
    activeProcessor->setDevice(driver);
    ui->labelCorvaneModel->setText(tr("%1  [%2]").arg(identity.modelText(), identity.firmwareText()));
    ui->lineEditCvDeviceSN->setText(identity.serialText());
    // Unique: a driver that comes back without a close in between still reaches the window once per emission.
    connect(driver, SIGNAL(devicePowerChanged(float)), this, SLOT(on_device_devicePowerChanged(float)),
            Qt::UniqueConnection);
    loadFanSlider(ui->horizontalSliderFanG1, G1FirstFan);
    loadFanSlider(ui->horizontalSliderFanG2, G2FirstFan);
    showDuty(ui->labelFanDutyG1, activeProcessor->currentDuty(G1FirstFan));
    showDuty(ui->labelFanDutyG2, activeProcessor->currentDuty(G2FirstFan));
    spinGroup(G1FirstFan, ui->horizontalSliderFanG1->value());
    spinGroup(G2FirstFan, ui->horizontalSliderFanG2->value());
    loadDeviceSettings(*driver);
    setDeviceControlsEnabled(true);
    ui->frameLEDLightControl->setEnabled(ui->horizontalSliderLEDPower->value() != 0);
}

void MainWindow::loadFanSlider(QSlider *slider, int fan)
{
    const QSignalBlocker quiet(slider);
    slider->setPageStep(1);
    slider->setMinimum(0);
    slider->setMaximum(activeProcessor->maxLevel(fan));
    slider->setValue(activeProcessor->currentLevel(fan));
}

// The check boxes only send on clicks, so loading them sends nothing; the
// LED switch is left unblocked on purpose: a change is sent back to the
// controller and enables or disables the effect buttons.
void MainWindow::loadDeviceSettings(const QObject &driver)
{
    ui->checkBoxHibernateFan->setChecked(driver.property("fanShutdownOnDisconnect").toBool());
    ui->checkBoxAutoStartFan->setChecked(driver.property("fanAutoRun").toBool());
    ui->checkBoxHibernateLED->setChecked(driver.property("LEDShutdownOnDisconnect").toBool());
    ui->checkBoxAutoStartLED->setChecked(driver.property("LEDAutoRun").toBool());
    ui->horizontalSliderLEDPower->setValue(driver.property("LEDPower").toInt() != 0 ? 1 : 0);
}

// Pending events run only once the window is completely disconnected: a
// controller that arrives meanwhile then opens onto a settled window instead
// of being half undone by the rest of this close.
void MainWindow::on_device_supportedDeviceClosed(QString devPath, QObject *driver)
{
    Q_UNUSED(devPath)
    deviceAdapter = nullptr;
    if (activeProcessor)
        activeProcessor->setDevice(nullptr);
    setDeviceControlsEnabled(false);
    clearDeviceView();
    if (driver)
        disconnect(driver, nullptr, this, nullptr);
    QCoreApplication::processEvents();
}

// The model, the adapter voltage and the LED switch keep what they showed.
void MainWindow::clearDeviceView()
{
    ui->labelCvDeviceStatus->setText(tr("Unconnected"));
    ui->lineEditCvDeviceSN->setText(QStringLiteral("N/A"));
    autoFanSpeedTimer->stop();
    moveFanSlidersQuietly(0);
    showDuty(ui->labelFanDutyG1, 0);
    showDuty(ui->labelFanDutyG2, 0);
    for (QCheckBox *box : {ui->checkBoxAutoStartFan, ui->checkBoxAutoStartLED, ui->checkBoxHibernateFan,
                           ui->checkBoxHibernateLED}) {
        box->setChecked(false);
    }
    bladeSpinner.stopAll();
}

void MainWindow::on_device_devicePowerChanged(float v)
{
    const bool powered = v > LowestPoweredVolts;
    ui->labelCvDeviceAdapter->setText(powered ? QStringLiteral("%1 V").arg(double(v), 0, 'f', 2) : tr("No Power"));
    ui->labelCvDeviceAdapterIcon->setVisible(!powered);
}

void MainWindow::on_pushButtonSave_clicked()
{
    callDriver("saveConfiguration");
}

void MainWindow::callDriver(const char *slot, QGenericArgument argument)
{
    if (deviceAdapter)
        QMetaObject::invokeMethod(deviceAdapter, slot, Qt::QueuedConnection, argument);
}

void MainWindow::control_fans(int g1Level, int g2Level)
{
    if (!levelsChange(g1Level, g2Level)) {
        qCDebug(lcWindow, "ignored!");
        return;
    }
    qCDebug(lcWindow, "control_fans(%d,%d)", g1Level, g2Level);
    const bool boost = ui->checkBoxChangeBoost->isChecked();
    if (!deviceAdapter)
        return;
    scheduleGroup(G1FirstFan, g1Level, boost);
    scheduleGroup(G2FirstFan, g2Level, boost);
    spinGroup(G1FirstFan, g1Level);
    spinGroup(G2FirstFan, g2Level);
    showDuty(ui->labelFanDutyG1, activeProcessor->currentDuty(G1FirstFan + 1));
    showDuty(ui->labelFanDutyG2, activeProcessor->currentDuty(G2FirstFan));
}

// G2 is only looked at when G1 stays; once something changes, every group
// given a level is applied, also one that is already there.
bool MainWindow::levelsChange(int g1Level, int g2Level)
{
    if (g1Level >= 0 && g1Level != currentGroupLevel(G1FirstFan))
        return true;
    return g2Level >= 0 && g2Level != currentGroupLevel(G2FirstFan);
}

int MainWindow::currentGroupLevel(int firstFan)
{
    return activeProcessor ? activeProcessor->currentLevel(firstFan) : 0;
}

int MainWindow::topLevel()
{
    return activeProcessor ? activeProcessor->maxLevel(G1FirstFan) : -1;
}

// Boost takes G1's top level for both groups.
void MainWindow::scheduleGroup(int firstFan, int level, bool boost)
{
    if (level < 0)
        return;
    const int boostLevel = ui->horizontalSliderFanG1->maximum();
    activeProcessor->startFanDutySession();
    for (int fan = firstFan; fan < firstFan + FansPerGroup; ++fan) {
        if (boost)
            activeProcessor->setFanDuty(fan, boostLevel, BoostLeadMs);
        activeProcessor->setFanDuty(fan, level, boost ? BoostedLevelDelayMs : LevelDelayMs);
    }
    activeProcessor->finishFanDutySession();
}

// The blades take the period of the duty just scheduled.
void MainWindow::spinGroup(int firstFan, int level)
{
    for (int fan = firstFan; fan < firstFan + FansPerGroup; ++fan) {
        if (level >= 1)
            bladeSpinner.spin(fan, activeProcessor->bladePeriod(fan));
        else if (level == 0)
            bladeSpinner.stop(fan);
    }
}

void MainWindow::moveFanSlidersQuietly(int level)
{
    const QSignalBlocker quietG1(ui->horizontalSliderFanG1);
    const QSignalBlocker quietG2(ui->horizontalSliderFanG2);
    ui->horizontalSliderFanG1->setValue(level);
    ui->horizontalSliderFanG2->setValue(level);
}

void MainWindow::on_horizontalSliderFanG1_valueChanged(int value)
{
    control_fans(value, -1);
}

void MainWindow::on_horizontalSliderFanG2_valueChanged(int value)
{
    control_fans(-1, value);
}

void MainWindow::on_pushButtonAutoFan_clicked(bool checked)
{
    if (!checked)
        return;
    ui->horizontalSliderFanG1->setEnabled(false);
    ui->horizontalSliderFanG2->setEnabled(false);
    const int top = topLevel();
    control_fans(top, top);
    moveFanSlidersQuietly(top);
    autoFanSpeedTimer->start();
}

void MainWindow::on_pushButtonManFan_clicked(bool checked)
{
    if (!checked)
        return;
    ui->horizontalSliderFanG1->setEnabled(true);
    ui->horizontalSliderFanG2->setEnabled(true);
    autoFanSpeedTimer->stop();
}

void MainWindow::on_pushButtonDustFan_clicked()
{
    if (deviceAdapter)
        activeProcessor->dust();
}

void MainWindow::on_autoFanSpeedTimer_timeout()
{
    const std::optional<CpuLoadSampler::Reading> reading = cpuLoadSampler.step(topLevel());
    if (!reading)
        return;
    ui->labelCPU->setText(reading->labelText());
    control_fans(reading->level, reading->level);
    moveFanSlidersQuietly(reading->level);
}

void MainWindow::on_checkBoxHibernateFan_clicked(bool checked)
{
    callDriver("enableAutohHibernateFan", Q_ARG(bool, checked));
}

void MainWindow::on_checkBoxAutoStartFan_clicked(bool checked)
{
    callDriver("enableAutoRunFan", Q_ARG(bool, checked));
}

void MainWindow::on_checkBoxHibernateLED_clicked(bool checked)
{
    callDriver("enableAutohHibernateLED", Q_ARG(bool, checked));
}

void MainWindow::on_checkBoxAutoStartLED_clicked(bool checked)
{
    callDriver("enableAutoRunLED", Q_ARG(bool, checked));
}

void MainWindow::on_horizontalSliderLEDPower_valueChanged(int value)
{
    callDriver("enableLED", Q_ARG(bool, value > 0));
    ui->frameLEDLightControl->setEnabled(value > 0);
}

void MainWindow::on_buttonGroupSolidLED_buttonClicked(int id)
{
    showLedEffect(QString::number(id), QStringLiteral("cns%1").arg(id));
}

void MainWindow::on_buttonGroupBreathLED_buttonClicked(int id)
{
    showLedEffect(QString::number(id), QStringLiteral("brt%1").arg(id));
}

void MainWindow::on_pushButtonLedCyc_clicked()
{
    showLedEffect(QStringLiteral("cyc"), QStringLiteral("cyc"));
}

// The preview follows the choice whether or not the controller takes the law.
void MainWindow::showLedEffect(const QString &preview, const QString &lawFile)
{
    if (ui->horizontalSliderLEDPower->value() == 0)
        return;
    ui->frameLEDSimulator->setStyleSheet(QStringLiteral("border-image: url(:/ui/res/led/led%1.png);").arg(preview));
    callDriver("sendLEDLawFile", Q_ARG(QString, QStringLiteral(":/res/ledfiles/%1.adl").arg(lawFile)));
}

void MainWindow::on_trayIcon_activated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
        return;
    showNormal();
    raise();
}

// A request that comes while the window is on screen stays pending and is
// taken the next time the window is hidden or minimised.
void MainWindow::on_monitorShowTimer_timeout()
{
    if (!isMinimized() && !isHidden())
        return;
    if (sharedMemory && InstanceMarker::takeShowRequest(*sharedMemory))
        showNormal();
}

void MainWindow::on_utilitiesButtonGroup_buttonClicked(QAbstractButton *button)
{
    UtilitiesPanel::launch(button);
}

void MainWindow::on_pushButtonMainLogo_clicked()
{
    QDesktopServices::openUrl(QUrl(tr("https://corvane.example/")));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveChangeBoost();
    if (!hidesToTray()) {
        QMainWindow::closeEvent(event);
        return;
    }
    hide();
    event->ignore();
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::WindowStateChange && hidesToTray()) {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        if (!(change->oldState() & Qt::WindowMinimized) && isMinimized()) {
            event->ignore();
            hide();
            saveChangeBoost();
            return;
        }
    }
    QMainWindow::changeEvent(event);
}

// Without a tray to come back from, hiding would strand the user.
bool MainWindow::hidesToTray() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::saveChangeBoost() const
{
    const auto settings = UserSettings::open();
    settings->setValue(QLatin1String(UserSettings::ChangeBoostKey), ui->checkBoxChangeBoost->isChecked());
    settings->sync();
}
