// SPDX-License-Identifier: GPL-3.0-or-later
#include "coolingreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

QByteArray CoolingReport::sensorsJson(const QVector<Sensor> &sensors)
{
    QJsonArray list;
    for (const Sensor &sensor : sensors) {
        list.append(QJsonObject{{QStringLiteral("id"), sensor.id},
                                {QStringLiteral("name"), sensor.name},
                                {QStringLiteral("unit"), sensor.unit},
                                {QStringLiteral("value"), sensor.value ? QJsonValue(*sensor.value)
                                                                       : QJsonValue(QJsonValue::Null)}});
    }
    return QJsonDocument(list).toJson(QJsonDocument::Compact) + '\n';
}

QString CoolingReport::sensorsTable(const QVector<Sensor> &sensors)
{
    QString table;
    for (const Sensor &sensor : sensors) {
        const QString value = sensor.value ? QStringLiteral("%1 %2").arg(*sensor.value, 0, 'f', 1).arg(sensor.unit)
                                           : QStringLiteral("no reading");
        table += QStringLiteral("%1 %2 %3\n").arg(sensor.id, -32).arg(sensor.name, -28).arg(value);
    }
    return table;
}

QString CoolingReport::curveLine(const Curve &curve)
{
    return curve.source + QLatin1Char(' ') + curve.points;
}
