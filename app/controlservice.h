// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusContext>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

#include "ruleverdict.h"

#include <optional>

class ControllerRules;
class CoolingControl;

/**
 * The running panel on the session bus: com.corvane.Control1 at
 * /com/corvane/Control (dbus/com.corvane.Control1.xml; the adaptor is
 * generated from it).
 *
 * Every method reads its arguments' names, then calls the controller rules
 * as the window's controls do, so the window follows (the slider moves, the
 * mode button lights) and the bus, the window and corvane-ctl never disagree.
 * A call the rules refuse changes nothing and is answered with
 * ...Error.InvalidArgument, .NotConnected or .DeviceError and the rules'
 * reason. The properties are read from the rules; PropertiesChanged goes out
 * for what changed, right after a call and otherwise within a second.
 *
 * The cooling (each group's source and curve, the alarms) is the cooling
 * control's: the window's cooling tab shows the same.
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
    /// @p rules and @p cooling must outlive the service.
    ControlService(ControllerRules &rules, CoolingControl &cooling, QObject *parent = nullptr);

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
    void refuse(const char *error, const QString &message);
    void answer(const RuleVerdict &verdict);
    std::optional<int> checkGroup(const QString &group);
    QVariantMap snapshot() const;
    QObject *driver() const;

    ControllerRules &m_rules;
    CoolingControl &m_cooling;
    QString m_path;
    QVariantMap m_announced;
    QTimer m_announceTimer;
};
