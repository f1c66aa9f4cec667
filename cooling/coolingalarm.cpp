// SPDX-License-Identifier: GPL-3.0-or-later
#include "coolingalarm.h"

#include <QCoreApplication>

namespace {

QString groupName(int group)
{
    return QStringLiteral("G%1").arg(group + 1);
}

} // namespace

CoolingAlarm CoolingAlarm::sourceLost(int group, const QString &source)
{
    return {Kind::SourceLost, group, source};
}

CoolingAlarm CoolingAlarm::fanStalled(int fan)
{
    return {Kind::FanStalled, fan, QString()};
}

QString CoolingAlarm::id() const
{
    if (kind == Kind::SourceLost)
        return QStringLiteral("source-lost:") + groupName(subject);
    return QStringLiteral("fan-stalled:fan%1").arg(subject);
}

QString CoolingAlarm::text() const
{
    if (kind == Kind::SourceLost)
        return QCoreApplication::translate("CoolingAlarm", "%1: %2 cannot be read; its fans run at full speed")
            .arg(groupName(subject), source);
    return QCoreApplication::translate("CoolingAlarm", "Fan %1 of %2 has stopped although it is driven to turn")
        .arg(subject % 2 + 1)
        .arg(groupName(subject / 2));
}
