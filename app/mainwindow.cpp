// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "alarmnotifier.h"
#include "connectionview.h"
#include "controllerrules.h"
#ifdef CORVANE_WITH_DBUS
#include "controlservice.h"
#endif
#include "coolingpage.h"
#include "corvanedrivernames.h"
#include "corvaneversion.h"
#include "fanmodes.h"
#include "ledpanel.h"
#include "mainwindowcoprocessor.h"
#include "platform/autostartentry.h"
#include "platform/instancemarker.h"
#include "utilitiespanel.h"
#include "usersettings.h"
#include "windowlogging.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontDatabase>
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

// The form's style sheet asks for the font its texts were drawn in. Where that
// font is not installed, Qt may fall back on any family at all (under wine the
// first one listed, a math font three times as tall), and the pages are then
// squeezed until their controls overlap. Windows's own font of the user
// interface takes its place, else the sans family wine and most Linux
// desktops have, else the platform's choice.
void substituteMissingFormFont()
{
    const QString family = QStringLiteral("Microsoft YaHei");
    if (QFontDatabase().hasFamily(family))
        return;
    QFont::insertSubstitutions(family, {QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans"),
                                        QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
}

} // namespace

MainWindow::MainWindow(QSharedPointer<QSharedMemory> sharedMemory, QWidget *parent)
    : QMainWindow(parent),
      m_ui(new Ui::MainWindow),
      m_buttonGroupSolidLED(new QButtonGroup(this)),
      m_buttonGroupBreathLED(new QButtonGroup(this)),
      m_autoFanSpeedTimer(new QTimer(this)),
      m_monitorShowTimer(new QTimer(this)),
      m_sharedMemory(std::move(sharedMemory)),
      m_utilitiesButtonGroup(new QButtonGroup(this)),
      m_coprocessorThread(new QThread(this)),
      m_coprocessor(new MainWindowCoProcessor)
{
    m_coprocessor->setObjectName(QStringLiteral("coprocessor"));
    m_coprocessor->moveToThread(m_coprocessorThread);
    substituteMissingFormFont();
    nameTimersAndGroups();
    bindPlugin();
    createTrayIcon();
    // Connects the slots by name: every sender must be named and parented by now.
    m_ui->setupUi(this);
    createPanels();
    createCoolingPage();
    publishOnSessionBus();
    m_ui->labelVersion->setText(QStringLiteral("version " CORVANE_VERSION));
    setUpTrayMenu();
    applyUserSettings();
    startConfigurationLoad();
    m_trayIcon->show();
    buildUtilitiesPanel();
    m_monitorShowTimer->start();
}

MainWindow::~MainWindow()
{
    stopConfigurationThread();
    delete m_coprocessor;
    // The manager goes first: it may still refer to the widget it listens to.
    delete m_device;
    delete m_notificationWidget;
    delete m_ui;
    m_sharedMemory.reset();
}

void MainWindow::nameTimersAndGroups()
{
    m_buttonGroupSolidLED->setObjectName(QStringLiteral("buttonGroupSolidLED"));
    m_buttonGroupBreathLED->setObjectName(QStringLiteral("buttonGroupBreathLED"));
    m_utilitiesButtonGroup->setObjectName(QStringLiteral("utilitiesButtonGroup"));
    m_autoFanSpeedTimer->setObjectName(QStringLiteral("autoFanSpeedTimer"));
    m_autoFanSpeedTimer->setInterval(AutoFanSpeedIntervalMs);
    m_monitorShowTimer->setObjectName(QStringLiteral("monitorShowTimer"));
    m_monitorShowTimer->setInterval(MonitorShowIntervalMs);
}

// All calls are queued, so they run in this order once the event loop turns,
// ahead of the configuration result that later asks the manager to connect.
void MainWindow::bindPlugin()
{
    m_device = QGenericPluginFactory::create(QLatin1String(Names::FactoryKey::DeviceManager), QString());
    m_notificationWidget =
        QGenericPluginFactory::create(QLatin1String(Names::FactoryKey::NotificationWidget), QString());
    if (!m_device || !m_notificationWidget) {
        warnPluginMissing();
        return;
    }
    QMetaObject::invokeMethod(m_notificationWidget, Names::NotificationWidget::RegisterDeviceNotification.name(),
                              Qt::QueuedConnection);
    m_device->setParent(this);
    m_device->setObjectName(QStringLiteral("device"));
    QMetaObject::invokeMethod(m_device, Names::DeviceManager::SetMonitorWidget.name(), Qt::QueuedConnection,
                              Q_ARG(QObject *, m_notificationWidget));
    QMetaObject::invokeMethod(m_device, Names::DeviceManager::AddSupportedDeviceID.name(), Qt::QueuedConnection,
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
    m_trayIcon = new QSystemTrayIcon(this);
    m_trayIcon->setObjectName(QStringLiteral("trayIcon"));
    m_trayIcon->setIcon(QIcon(QStringLiteral(":/res/logo.png")));
    m_trayMenu = new QMenu(this);
}

// The panels take over the form's controls and show the rules, which serve
// whichever controller the connection view hands them.
void MainWindow::createPanels()
{
    m_rules = std::make_unique<ControllerRules>(ControllerRules::Keeper::Panel);
    m_connectionView = std::make_unique<ConnectionView>(m_ui, *m_rules);
    m_fanModes = std::make_unique<FanModes>(m_ui, m_autoFanSpeedTimer.data(), *m_rules);
    m_ledPanel = std::make_unique<LedPanel>(m_ui, m_buttonGroupSolidLED, m_buttonGroupBreathLED, *m_rules);
    connect(m_connectionView.get(), &ConnectionView::polled, m_fanModes.get(), &FanModes::watchFans);
}

// A tab after the form's own, so every widget of the form stays where it is.
// While an alarm stands its title turns red, whichever tab shows.
void MainWindow::createCoolingPage()
{
    FanModes *fans = m_fanModes.get();
    m_coolingPage = new CoolingPage(fans->cooling(), [fans] { return fans->topLevels(); }, m_ui->tabWidget);
    m_ui->tabWidget->addTab(m_coolingPage, tr("Cooling"));
    showAlarmState();
    // After the fan modes, which take the controller first.
    connect(m_rules.get(), &ControllerRules::attached, m_coolingPage, [this] {
        m_coolingPage->setStallsVisible(m_fanModes->seesStalls());
        m_coolingPage->reload();
    });
    connect(m_rules.get(), &ControllerRules::detached, m_coolingPage,
            [this] { m_coolingPage->setStallsVisible(false); });
    m_alarmNotifier = new AlarmNotifier(*m_trayIcon, fans->cooling().alarms(), this);
    connect(&fans->cooling().alarms(), &AlarmBoard::alarmBegan, this, &MainWindow::showAlarmState);
    connect(&fans->cooling().alarms(), &AlarmBoard::alarmEnded, this, &MainWindow::showAlarmState);
}

// The form's tabs are wide: a third one as wide would not fit beside them.
// A sign beside the title would make the tab wider and the tab bar taller,
// which squeezes the pages below it; a colour changes neither.
void MainWindow::showAlarmState()
{
    const QStringList texts = m_fanModes->cooling().alarms().standingTexts();
    const QString colour = texts.isEmpty() ? QString() : QStringLiteral("color: #ff4040;");
    m_ui->tabWidget->setStyleSheet(QStringLiteral("QTabBar::tab:last { min-width: 0; padding: 4px 8px; %1 }").arg(colour));
    m_ui->tabWidget->setTabToolTip(m_ui->tabWidget->indexOf(m_coolingPage), texts.join(QLatin1Char('\n')));
}

// The same controller rules for scripts (corvane-ctl) over the session bus;
// without a bus the panel runs as before, and a build without D-Bus (Windows)
// has none.
void MainWindow::publishOnSessionBus()
{
#ifdef CORVANE_WITH_DBUS
    m_controlService = std::make_unique<ControlService>(*m_rules, m_fanModes->cooling());
    connect(m_controlService.get(), &ControlService::showRequested, this, &MainWindow::bringForward);
    m_controlService->registerOnSessionBus();
#endif
}

// A second launch leaves its request in the instance marker as well; it is
// answered now.
void MainWindow::bringForward()
{
    showNormal();
    raise();
    activateWindow();
    if (m_sharedMemory)
        InstanceMarker::takeShowRequest(*m_sharedMemory);
}

void MainWindow::setUpTrayMenu()
{
    m_ui->actionAutoStartUp->setCheckable(true);
    m_ui->actionAutoStartUp->setChecked(isAutoStartEnabled());
    m_trayMenu->addAction(m_ui->actionAutoStartUp);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(m_ui->actionExit);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_ui->actionExit, &QAction::triggered, qApp, &QCoreApplication::quit);
    // Exit, or a signal that ends the session, may come while the window is on screen.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &MainWindow::saveChangeBoost);
    connect(m_ui->actionAutoStartUp, &QAction::triggered, this, &MainWindow::enableAutoStart);
}

void MainWindow::applyUserSettings()
{
    const auto settings = UserSettings::open();
    if (!settings->value(QLatin1String(UserSettings::ShowCpuLoadingKey), false).toBool())
        m_ui->labelCPU->hide();
    m_rules->setBoost(UserSettings::changeBoost(*settings));
}

// The co-processor lives in the worker thread, so the automatic connection
// delivers its result queued, on the GUI thread.
void MainWindow::startConfigurationLoad()
{
    m_coprocessorThread->start(QThread::InheritPriority);
    connect(m_coprocessor, &MainWindowCoProcessor::initGlobalConfig, this,
            &MainWindow::on_coprocessor_initGlobalConfig);
    QMetaObject::invokeMethod(m_coprocessor, "loadDeviceGlobalConfig", Qt::QueuedConnection);
}

void MainWindow::buildUtilitiesPanel()
{
    UtilitiesPanel(QCoreApplication::applicationDirPath()).build(m_ui->frameUtilities, m_utilitiesButtonGroup);
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
    m_coprocessorThread->quit();
    m_coprocessorThread->wait();
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
    m_rules->configure(conf);
    if (m_device && m_notificationWidget)
        QMetaObject::invokeMethod(m_device, Names::DeviceManager::TryConnectSupportedDevice.name(),
                                  Qt::QueuedConnection);
}

void MainWindow::on_device_supportedDeviceOpened(QString devPath, QObject *driver)
{
#ifdef CORVANE_WITH_DBUS
    m_controlService->deviceOpened(devPath);
#else
    Q_UNUSED(devPath)
#endif
    m_connectionView->deviceOpened(driver);
}

void MainWindow::on_device_supportedDeviceClosed(QString devPath, QObject *driver)
{
    Q_UNUSED(devPath)
    m_connectionView->deviceClosed(driver);
}

void MainWindow::on_pushButtonSave_clicked()
{
    m_rules->save();
}

void MainWindow::on_horizontalSliderFanG1_valueChanged(int value)
{
    m_rules->setGroupLevel(ControllerRules::Group::G1, value);
}

void MainWindow::on_horizontalSliderFanG2_valueChanged(int value)
{
    m_rules->setGroupLevel(ControllerRules::Group::G2, value);
}

void MainWindow::on_pushButtonAutoFan_clicked(bool checked)
{
    if (checked)
        m_rules->setMode(ControllerRules::Mode::Auto);
}

void MainWindow::on_pushButtonManFan_clicked(bool checked)
{
    if (checked)
        m_rules->setMode(ControllerRules::Mode::Manual);
}

void MainWindow::on_pushButtonDustFan_clicked()
{
    m_rules->runDust();
}

void MainWindow::on_autoFanSpeedTimer_timeout()
{
    m_fanModes->stepCpuLoad();
}

void MainWindow::on_checkBoxHibernateFan_clicked(bool checked)
{
    m_rules->setOption(ControllerRules::Part::Fan, ControllerRules::Option::Hibernate, checked);
}

void MainWindow::on_checkBoxAutoStartFan_clicked(bool checked)
{
    m_rules->setOption(ControllerRules::Part::Fan, ControllerRules::Option::AutoRun, checked);
}

void MainWindow::on_checkBoxHibernateLED_clicked(bool checked)
{
    m_rules->setOption(ControllerRules::Part::Led, ControllerRules::Option::Hibernate, checked);
}

void MainWindow::on_checkBoxAutoStartLED_clicked(bool checked)
{
    m_rules->setOption(ControllerRules::Part::Led, ControllerRules::Option::AutoRun, checked);
}

void MainWindow::on_horizontalSliderLEDPower_valueChanged(int value)
{
    m_rules->setLedPower(value > 0);
}

void MainWindow::on_buttonGroupSolidLED_buttonClicked(int id)
{
    m_rules->setSolidColour(id);
}

void MainWindow::on_buttonGroupBreathLED_buttonClicked(int id)
{
    m_rules->setBreathingColour(id);
}

void MainWindow::on_pushButtonLedCyc_clicked()
{
    m_rules->setColourCycle();
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
    if (m_sharedMemory && InstanceMarker::takeShowRequest(*m_sharedMemory))
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
    if (!hidesToTray() && !keepsCoolingWhenClosed()) {
        m_closed = true;
        QMainWindow::closeEvent(event);
        return;
    }
    hide();
    event->ignore();
}

// Without a tray the user is asked once; the answer can be changed on the
// cooling tab. A second launch or "corvane-ctl show" brings the window back.
bool MainWindow::keepsCoolingWhenClosed()
{
    const auto settings = UserSettings::open();
    const QVariant stored = settings->value(QLatin1String(UserSettings::KeepCoolingKey));
    if (stored.isValid())
        return stored.toBool();
    const bool keep = QMessageBox::question(this, tr("Keep cooling?"),
                                            tr("There is no system tray to keep the program in. Keep cooling in "
                                               "the background when the window closes? A second launch brings "
                                               "the window back; the Cooling tab changes this answer."))
                      == QMessageBox::Yes;
    m_coolingPage->setKeepsCooling(keep);
    return keep;
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
    settings->setValue(QLatin1String(UserSettings::ChangeBoostKey), m_ui->checkBoxChangeBoost->isChecked());
    settings->sync();
}
