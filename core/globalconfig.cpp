// SPDX-License-Identifier: GPL-3.0-or-later
#include "globalconfig.h"

#include "fandutyprocessor.h"

QByteArray makeDutyTable(const QVariant& entries)
{
    const QVariantList list = entries.toList();
    QByteArray table;
    table.reserve(list.size());
    for (const QVariant& entry : list)
        table.append(char(entry.toInt() & 0xff));
    return table;
}

void applyDutySection(const QVariant& section, FanDutyProcessor& processor)
{
    const QVariantMap tables = section.toMap();
    const QByteArray g1 = makeDutyTable(tables.value(QStringLiteral("FAN_DUTIES_G1")));
    const QByteArray g2 = makeDutyTable(tables.value(QStringLiteral("FAN_DUTIES_G2")));
    processor.setDutyTable(0, g1);
    processor.setDutyTable(1, g1);
    processor.setDutyTable(2, g2);
    processor.setDutyTable(3, g2);
}

void applyGlobalConfig(const QVariant& conf, FanDutyProcessor& fireware1, FanDutyProcessor& fireware2)
{
    const QVariantMap map = conf.toMap();
    const auto second = map.constFind(QStringLiteral("Fireware2"));
    if (second != map.constEnd())
        applyDutySection(*second, fireware2);
    const auto first = map.constFind(QStringLiteral("Fireware1"));
    if (first != map.constEnd())
        applyDutySection(*first, fireware1);
}
