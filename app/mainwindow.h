// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QSharedMemory>
#include <QSharedPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVariant>

#include <memory>

class AlarmNotifier;
class ConnectionView;
class ControllerRules;
class ControlService;
class CoolingPage;
class FanModes;
class LedPanel;
class MainWindowCoProcessor;
class QAbstractButton;
class QButtonGroup;
class QCloseEvent;
class QEvent;
class QMenu;
class QThread;
class QWidget;

namespace Ui {
class MainWindow;
}

/**
 * The program's one window: the form, the tray icon, start-up and the
 * Utilities tab. What the controls may do is the controller rules' affair;
 * three panels that the window owns show them: the connection view (status
 * and SAVE), the fan modes and the LED panel. The window's slots for the
 * controls only hand the user's input to the rules.
 *
 * The constructor binds the device plug-in: it asks Qt's generic plug-in
 * factory for the device manager ("CorvaneHIDDevice") and the hot-plug widget
 * ("CorvaneDeviceNotificationWidget") and reaches them only by meta-object
 * names. The slots are connected by object name ("on_<sender>_<signal>"), so
 * every sender is named and parented before the form is set up. The global
 * configuration is loaded on a worker thread; only once its duty tables are
 * in place is the device manager asked to connect a controller.
 *
 * Without the plug-in the window still opens, with its device controls
 * disabled, after one warning box.
 */
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    /// @p sharedMemory is the instance marker (may be null); kept for the window's life.
    explicit MainWindow(QSharedPointer<QSharedMemory> sharedMemory, QWidget *parent = nullptr);
    ~MainWindow() override;

    /// True once a close was let through: the program is to end.
    bool wasClosed() const { return m_closed; }

protected:
    /// Hides the window to the tray; without a system tray the window closes as any other.
    void closeEvent(QCloseEvent *event) override;
    /// Minimising hides the window to the tray when there is one.
    void changeEvent(QEvent *event) override;

protected slots:
    void on_horizontalSliderFanG1_valueChanged(int value);
    void on_horizontalSliderFanG2_valueChanged(int value);
    void on_pushButtonSave_clicked();
    void on_checkBoxAutoStartFan_clicked(bool checked);
    void on_checkBoxAutoStartLED_clicked(bool checked);
    void on_autoFanSpeedTimer_timeout();
    void on_pushButtonAutoFan_clicked(bool checked);
    void on_pushButtonManFan_clicked(bool checked);
    void on_checkBoxHibernateFan_clicked(bool checked);
    void on_checkBoxHibernateLED_clicked(bool checked);
    void on_pushButtonMainLogo_clicked();
    void on_pushButtonDustFan_clicked();
    void on_buttonGroupSolidLED_buttonClicked(int id);
    void on_buttonGroupBreathLED_buttonClicked(int id);
    void on_pushButtonLedCyc_clicked();
    void on_horizontalSliderLEDPower_valueChanged(int value);
    void on_utilitiesButtonGroup_buttonClicked(QAbstractButton *button);
    /**
     * Applies the loaded configuration. An unverified one ends the process
     * with exit code -2 after an "Error" box; otherwise the duty tables go
     * into both processors and, with the plug-in bound, the device manager is
     * asked to connect.
     */
    void on_coprocessor_initGlobalConfig(QVariant conf, bool isVerified);
    void on_device_supportedDeviceOpened(QString devPath, QObject *deviceAdapter);
    void on_device_supportedDeviceClosed(QString devPath, QObject *deviceAdapter);
    void on_trayIcon_activated(QSystemTrayIcon::ActivationReason reason);
    void on_monitorShowTimer_timeout();

public slots:
    /// Writes (or removes) the log-in auto-start entry; true on success.
    bool enableAutoStart(bool enable);

private:
    void nameTimersAndGroups();
    void bindPlugin();
    void warnPluginMissing();
    void createTrayIcon();
    void createPanels();
    void createCoolingPage();
    void showAlarmState();
    bool keepsCoolingWhenClosed();
    void publishOnSessionBus();
    void bringForward();
    void setUpTrayMenu();
    void applyUserSettings();
    void startConfigurationLoad();
    void buildUtilitiesPanel();
    bool isAutoStartEnabled() const;
    bool hidesToTray() const;
    void saveChangeBoost() const;
    void stopConfigurationThread();

    friend class MainWindowTest;
    friend class MainWindowProbe;

    QObject *m_device = nullptr;
    QObject *m_notificationWidget = nullptr;
    Ui::MainWindow *m_ui;
    QButtonGroup *m_buttonGroupSolidLED;
    QButtonGroup *m_buttonGroupBreathLED;
    QSharedPointer<QTimer> m_autoFanSpeedTimer;
    QSharedPointer<QTimer> m_monitorShowTimer;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_trayMenu = nullptr;
    std::unique_ptr<ControllerRules> m_rules;
    std::unique_ptr<ConnectionView> m_connectionView;
    std::unique_ptr<FanModes> m_fanModes;
    std::unique_ptr<LedPanel> m_ledPanel;
    CoolingPage *m_coolingPage = nullptr;
    AlarmNotifier *m_alarmNotifier = nullptr;
    bool m_closed = false;
#ifdef CORVANE_WITH_DBUS
    std::unique_ptr<ControlService> m_controlService;
#endif
    QSharedPointer<QSharedMemory> m_sharedMemory;
    QButtonGroup *m_utilitiesButtonGroup;
    QThread *m_coprocessorThread;
    MainWindowCoProcessor *m_coprocessor;
};
