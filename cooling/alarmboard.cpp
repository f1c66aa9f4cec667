// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarmboard.h"

#include <algorithm>

bool AlarmBoard::raise(const CoolingAlarm &alarm)
{
    if (isStanding(alarm.id()))
        return false;
    m_standing.append(alarm);
    emit alarmBegan(alarm.id(), alarm.text());
    return true;
}

bool AlarmBoard::isStanding(const QString &id) const
{
    return std::any_of(m_standing.cbegin(), m_standing.cend(),
                       [&id](const CoolingAlarm &alarm) { return alarm.id() == id; });
}

bool AlarmBoard::clear(const QString &id)
{
    const int before = m_standing.size();
    clearWhere([&id](const CoolingAlarm &alarm) { return alarm.id() == id; });
    return m_standing.size() != before;
}

// Listeners hear of the ended alarms once the board no longer holds them.
void AlarmBoard::clearWhere(const std::function<bool(const CoolingAlarm &)> &matches)
{
    QVector<CoolingAlarm> ended;
    QVector<CoolingAlarm> kept;
    for (const CoolingAlarm &alarm : qAsConst(m_standing))
        (matches(alarm) ? ended : kept).append(alarm);
    m_standing = kept;
    for (const CoolingAlarm &alarm : qAsConst(ended))
        emit alarmEnded(alarm.id(), alarm.text());
}

QStringList AlarmBoard::standingTexts() const
{
    QStringList texts;
    for (const CoolingAlarm &alarm : m_standing)
        texts.append(alarm.text());
    return texts;
}

QStringList AlarmBoard::standingIds() const
{
    QStringList ids;
    for (const CoolingAlarm &alarm : m_standing)
        ids.append(alarm.id());
    return ids;
}
