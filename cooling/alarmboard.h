// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coolingalarm.h"

#include <QObject>
#include <QVector>

#include <functional>

/// The alarms that stand now; says when one begins and when one ends.
class AlarmBoard final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Stands @p alarm up; true (and alarmBegan) only when it was not standing.
    bool raise(const CoolingAlarm &alarm);
    /// Ends the alarm with @p id; true (and alarmEnded) only when it stood.
    bool clear(const QString &id);
    /// Ends every standing alarm @p matches picks.
    void clearWhere(const std::function<bool(const CoolingAlarm &)> &matches);

    bool isStanding(const QString &id) const;
    const QVector<CoolingAlarm> &standing() const { return m_standing; }
    QStringList standingIds() const;
    /// The standing alarms' sentences, in the order they began.
    QStringList standingTexts() const;

signals:
    void alarmBegan(const QString &id, const QString &text);
    void alarmEnded(const QString &id, const QString &text);

private:
    QVector<CoolingAlarm> m_standing;
};
