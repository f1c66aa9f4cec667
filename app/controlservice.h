// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include <optional>

class ConnectionView;
class FanModes;
class LedPanel;

namespace Ui {
class MainWindow;
}

/**
 * The running panel on the session bus: com.corvane.Control1 at
 * /com/corvane/Control (dbus/com.corvane.Control1.xml; the adaptor is
 * generated from it).
 *
 * Every method checks its arguments, then calls the same panel operation as
 * the window's control, so the window follows (the slider moves, the mode
 * button lights) and the bus, the window and corvane-ctl never disagree. A
 * call that cannot be carried out changes nothing and is answered with
 * ...Error.InvalidArgument, .NotConnected or .DeviceError. The properties
 * are read from the panels and the window's controls; PropertiesChanged
 * goes out for what changed, right after a call and otherwise within a
 * second.
 */
class ControlService final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_PROPERTY(bool Connected READ isConnected)
    Q_PROPERTY(QString Path READ path)
    Q_PROPERTY(QString Protocol READ protocol)
    Q_PROPERTY(QString Model READ model)
    Q_PROPERTY(QString Firmware READ firmware)
    Q_PROPERTY(QString Serial READ serial)
    Q_PROPERTY(double AdapterVolts READ adapterVolts)
    Q_PROPERTY(QList<int> FanDuties READ fanDuties)
    Q_PROPERTY(QList<int> FanSpeeds READ fanSpeeds)
    Q_PROPERTY(QString Mode READ mode)
    Q_PROPERTY(QList<int> GroupLevels READ groupLevels)
    Q_PROPERTY(QList<int> MaxLevels READ maxLevels)
    Q_PROPERTY(bool LedPower READ ledPower)
    Q_PROPERTY(QString LedEffect READ ledEffect)
    Q_PROPERTY(int LedColour READ ledColour)
    Q_PROPERTY(bool FanAutoRun READ fanAutoRun)
    Q_PROPERTY(bool FanHibernate READ fanHibernate)
    Q_PROPERTY(bool LedAutoRun READ ledAutoRun)
    Q_PROPERTY(bool LedHibernate READ ledHibernate)
    Q_PROPERTY(QStringList Alarms READ alarms)

public:
    /// The panels and the form must outlive the service.
    ControlService(ConnectionView &view, FanModes &fans, LedPanel &leds, const Ui::MainWindow &form,
                   QObject *parent = nullptr);

    /**
     * Claims the service name and puts the object on the session bus. Without
     * a session bus, or with the name taken, returns false and the panel
     * simply runs without it.
     */
    bool registerOnSessionBus();

    bool isConnected() const;
    QString path() const { return isConnected() ? m_path : QString(); }
    QString protocol() const;
    QString model() const;
    QString firmware() const;
    QString serial() const;
    double adapterVolts() const;
    QList<int> fanDuties() const;
    QList<int> fanSpeeds() const;
    QString mode() const;
    QList<int> groupLevels() const;
    QList<int> maxLevels() const;
    bool ledPower() const;
    QString ledEffect() const;
    int ledColour() const;
    bool fanAutoRun() const;
    bool fanHibernate() const;
    bool ledAutoRun() const;
    bool ledHibernate() const;
    QStringList alarms() const;

public slots:
    void SetMode(const QString &mode);
    void SetGroupLevel(const QString &group, int level);
    void Dust();
    void SetLedPower(bool on);
    void SetSolidColour(int colour);
    void SetBreathingColour(int colour);
    void SetColourCycle();
    void UploadLedLaw(const QString &path);
    void SetFanAutoRun(bool on);
    void SetFanHibernate(bool on);
    void SetLedAutoRun(bool on);
    void SetLedHibernate(bool on);
    void Save();
    void ShowWindow();
    QStringList Sensors(QStringList &names, QStringList &units, QList<double> &values);
    QString Curve(const QString &group, QString &points);
    void SetCurve(const QString &group, const QString &source, const QString &points);

    /// The device manager announced a controller at @p devPath.
    void deviceOpened(const QString &devPath);
    /// Sends PropertiesChanged for every property that changed since the last time.
    void announceChanges();

signals:
    /// ShowWindow was called: the window comes forward.
    void showRequested();
    /// A cooling alarm began (@p standing) or ended.
    void AlarmChanged(const QString &id, bool standing, const QString &text);

private:
    bool refuse(const char *error, const QString &message);
    bool needsController();
    bool checkColour(int colour);
    std::optional<int> checkGroup(const QString &group);
    void answer(bool done, const char *error, const QString &message);
    /// The answers of the fans' and the LEDs' auto-run and hibernate settings alike.
    void answerLedLaw(bool played);
    void answerAutoRun(bool accepted);
    void answerHibernate(bool accepted);
    QVariantMap snapshot() const;
    QObject *driver() const;

    ConnectionView &m_view;
    FanModes &m_fans;
    LedPanel &m_leds;
    const Ui::MainWindow &m_form;
    QString m_path;
    QVariantMap m_announced;
    QTimer m_announceTimer;
};
