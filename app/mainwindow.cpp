// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "connectionview.h"
#ifdef CORVANE_WITH_DBUS
#include "controlservice.h"
#endif
#include "corvanedrivernames.h"
#include "corvaneversion.h"
#include "fanmodes.h"
#include "globalconfig.h"
#include "ledpanel.h"
#include "mainwindowcoprocessor.h"
#include "platform/autostartentry.h"
#include "platform/instancemarker.h"
#include "platform/utilitiespanel.h"
#include "usersettings.h"
#include "windowlogging.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGenericPluginFactory>
#include <QMenu>
#include <QMessageBox>
#include <QThread>
#include <QUrl>
#include <QWindowStateChangeEvent>

#include <cstdlib>

namespace {

namespace Names = CorvaneDriverNames;

constexpr quint16 SupportedVendorId = 0x2A0E;
constexpr quint16 SupportedProductId = 0x1000;
constexpr int AutoFanSpeedIntervalMs = 5000;
constexpr int MonitorShowIntervalMs = 1000;

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
    createPanels();
    publishOnSessionBus();
    ui->labelVersion->setText(QStringLiteral("version " CORVANE_VERSION));
    setUpTrayMenu();
    applyUserSettings();
    startConfigurationLoad();
    trayIcon->show();
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
    device = QGenericPluginFactory::create(QLatin1String(Names::FactoryKey::DeviceManager), QString());
    notificationWidget = QGenericPluginFactory::create(QLatin1String(Names::FactoryKey::NotificationWidget), QString());
    if (!device || !notificationWidget) {
        warnPluginMissing();
        return;
    }
    QMetaObject::invokeMethod(notificationWidget, Names::NotificationWidget::RegisterDeviceNotification.name(), Qt::QueuedConnection);
    device->setParent(this);
    device->setObjectName(QStringLiteral("device"));
    QMetaObject::invokeMethod(device, Names::DeviceManager::SetMonitorWidget.name(), Qt::QueuedConnection,
                              Q_ARG(QObject *, notificationWidget));
    QMetaObject::invokeMethod(device, Names::DeviceManager::AddSupportedDeviceID.name(), Qt::QueuedConnection,
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

// The panels take over the form's controls; the fan modes and the LED panel
// follow whichever controller the connection view holds.
void MainWindow::createPanels()
{
    connectionView = std::make_unique<ConnectionView>(ui);
    fanModes = std::make_unique<FanModes>(ui, autoFanSpeedTimer.data());
    ledPanel = std::make_unique<LedPanel>(ui, buttonGroupSolidLED, buttonGroupBreathLED);
    connect(connectionView.get(), &ConnectionView::connected, fanModes.get(), &FanModes::attach);
    connect(connectionView.get(), &ConnectionView::connected, ledPanel.get(), &LedPanel::attach);
    connect(connectionView.get(), &ConnectionView::disconnected, fanModes.get(), &FanModes::detach);
    connect(connectionView.get(), &ConnectionView::disconnected, ledPanel.get(), &LedPanel::detach);
}

// The same panel operations for scripts (corvane-ctl) over the session bus;
// without a bus the panel runs as before, and a build without D-Bus (Windows)
// has none.
void MainWindow::publishOnSessionBus()
{
#ifdef CORVANE_WITH_DBUS
    controlService = std::make_unique<ControlService>(*connectionView, *fanModes, *ledPanel, *ui);
    connect(controlService.get(), &ControlService::showRequested, this, &MainWindow::bringForward);
    controlService->registerOnSessionBus();
#endif
}

// A second launch leaves its request in the instance marker as well; it is
// answered now.
void MainWindow::bringForward()
{
    showNormal();
    raise();
    activateWindow();
    if (sharedMemory)
        InstanceMarker::takeShowRequest(*sharedMemory);
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

void MainWindow::applyUserSettings()
{
    const auto settings = UserSettings::open();
    if (!settings->value(QLatin1String(UserSettings::ShowCpuLoadingKey), false).toBool())
        ui->labelCPU->hide();
    fanModes->setBoost(settings->value(QLatin1String(UserSettings::ChangeBoostKey), true).toBool());
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
    applyGlobalConfig(conf, fanModes->dutyProcessor(0), fanModes->dutyProcessor(1));
    if (device && notificationWidget)
        QMetaObject::invokeMethod(device, Names::DeviceManager::TryConnectSupportedDevice.name(), Qt::QueuedConnection);
}

void MainWindow::on_device_supportedDeviceOpened(QString devPath, QObject *driver)
{
#ifdef CORVANE_WITH_DBUS
    controlService->deviceOpened(devPath);
#else
    Q_UNUSED(devPath)
#endif
    connectionView->deviceOpened(driver);
}

void MainWindow::on_device_supportedDeviceClosed(QString devPath, QObject *driver)
{
    Q_UNUSED(devPath)
    connectionView->deviceClosed(driver);
}

void MainWindow::on_pushButtonSave_clicked()
{
    connectionView->save();
}

void MainWindow::on_horizontalSliderFanG1_valueChanged(int value)
{
    fanModes->setGroupLevel(FanModes::Group::G1, value);
}

void MainWindow::on_horizontalSliderFanG2_valueChanged(int value)
{
    fanModes->setGroupLevel(FanModes::Group::G2, value);
}

void MainWindow::on_pushButtonAutoFan_clicked(bool checked)
{
    if (checked)
        fanModes->setMode(FanModes::Mode::Auto);
}

void MainWindow::on_pushButtonManFan_clicked(bool checked)
{
    if (checked)
        fanModes->setMode(FanModes::Mode::Manual);
}

void MainWindow::on_pushButtonDustFan_clicked()
{
    fanModes->runDust();
}

void MainWindow::on_autoFanSpeedTimer_timeout()
{
    fanModes->stepCpuLoad();
}

void MainWindow::on_checkBoxHibernateFan_clicked(bool checked)
{
    fanModes->setHibernate(checked);
}

void MainWindow::on_checkBoxAutoStartFan_clicked(bool checked)
{
    fanModes->setAutoRun(checked);
}

void MainWindow::on_checkBoxHibernateLED_clicked(bool checked)
{
    ledPanel->setHibernate(checked);
}

void MainWindow::on_checkBoxAutoStartLED_clicked(bool checked)
{
    ledPanel->setAutoRun(checked);
}

void MainWindow::on_horizontalSliderLEDPower_valueChanged(int value)
{
    ledPanel->setPower(value > 0);
}

void MainWindow::on_buttonGroupSolidLED_buttonClicked(int id)
{
    ledPanel->setSolidColour(id);
}

void MainWindow::on_buttonGroupBreathLED_buttonClicked(int id)
{
    ledPanel->setBreathingColour(id);
}

void MainWindow::on_pushButtonLedCyc_clicked()
{
    ledPanel->setColourCycle();
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
