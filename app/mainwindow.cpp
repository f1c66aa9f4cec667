// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "globalconfig.h"
#include "mainwindowcoprocessor.h"
#include "platform/autostartentry.h"
#include "platform/instancemarker.h"
#include "platform/utilitiespanel.h"
#include "rotationlabel.h"
#include "usersettings.h"
#include "windowlogging.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGenericPluginFactory>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QThread>

#include <cstdlib>

namespace {

constexpr quint16 SupportedVendorId = 0x2A0E;
constexpr quint16 SupportedProductId = 0x1000;
constexpr int AutoFanSpeedIntervalMs = 5000;
constexpr int MonitorShowIntervalMs = 1000;
constexpr int LedColourCount = 14;

} // namespace

MainWindow::MainWindow(QSharedPointer<QSharedMemory> sharedMemory, QWidget *parent)
    : QMainWindow(parent),
      ui(new Ui::MainWindow),
      buttonGroupSolidLED(new QButtonGroup(this)),
      buttonGroupBreathLED(new QButtonGroup(this)),
      autoFanSpeedTimer(new QTimer(this)),
      monitorShowTimer(new QTimer(this)),
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
    deviceAdapter = driver;
    ui->labelCvDeviceStatus->setText(tr("Connected"));
    setDeviceControlsEnabled(true);
}

void MainWindow::on_device_supportedDeviceClosed(QString devPath, QObject *driver)
{
    Q_UNUSED(devPath)
    Q_UNUSED(driver)
    deviceAdapter = nullptr;
    setDeviceControlsEnabled(false);
    ui->labelCvDeviceStatus->setText(tr("Unconnected"));
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

void MainWindow::on_horizontalSliderFanG1_valueChanged(int value)
{
    Q_UNUSED(value)
}

void MainWindow::on_horizontalSliderFanG2_valueChanged(int value)
{
    Q_UNUSED(value)
}

void MainWindow::on_pushButtonSave_clicked()
{
}

void MainWindow::on_checkBoxAutoStartFan_clicked(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::on_checkBoxAutoStartLED_clicked(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::on_autoFanSpeedTimer_timeout()
{
}

void MainWindow::on_pushButtonAutoFan_clicked(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::on_pushButtonManFan_clicked(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::on_checkBoxHibernateFan_clicked(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::on_checkBoxHibernateLED_clicked(bool checked)
{
    Q_UNUSED(checked)
}

void MainWindow::on_pushButtonMainLogo_clicked()
{
}

void MainWindow::on_pushButtonDustFan_clicked()
{
}

void MainWindow::on_buttonGroupSolidLED_buttonClicked(int id)
{
    Q_UNUSED(id)
}

void MainWindow::on_buttonGroupBreathLED_buttonClicked(int id)
{
    Q_UNUSED(id)
}

void MainWindow::on_pushButtonLedCyc_clicked()
{
}

void MainWindow::on_horizontalSliderLEDPower_valueChanged(int value)
{
    Q_UNUSED(value)
}

void MainWindow::on_device_devicePowerChanged(float v)
{
    Q_UNUSED(v)
}
