// SPDX-License-Identifier: GPL-3.0-or-later
#include "controllerstatus.h"

#include <QJsonArray>
#include <QStringList>

namespace {

QString groupOf(int fan)
{
    return fan < 2 ? QStringLiteral("G1") : QStringLiteral("G2");
}

template <typename T>
QJsonValue orNull(const std::optional<T> &value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QString onOff(bool on)
{
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString row(const QString &name, const QString &value)
{
    return QStringLiteral("%1 %2\n").arg(name, -10).arg(value);
}

QString ledText(const ControllerStatus &status)
{
    QString text = onOff(status.ledPower);
    if (!status.ledEffect)
        return text;
    text += QStringLiteral(", ") + *status.ledEffect;
    if (status.ledColour && *status.ledColour >= 0)
        text += QStringLiteral(" %1").arg(*status.ledColour);
    return text;
}

} // namespace

QJsonObject ControllerStatus::toJson() const
{
    QJsonArray fanList;
    for (int i = 0; i < int(fans.size()); ++i) {
        fanList.append(QJsonObject{{QStringLiteral("index"), i}, {QStringLiteral("group"), groupOf(i)},
                                   {QStringLiteral("duty"), fans[i].duty},
                                   {QStringLiteral("rpm"), orNull(fans[i].rpm)}});
    }
    const QJsonValue levelMap = levels ? QJsonValue(QJsonObject{{QStringLiteral("G1"), (*levels)[0]},
                                                                {QStringLiteral("G2"), (*levels)[1]}})
                                       : QJsonValue(QJsonValue::Null);
    const QJsonObject led{{QStringLiteral("power"), ledPower},
                          {QStringLiteral("effect"), orNull(ledEffect)},
                          {QStringLiteral("colour"), orNull(ledColour)},
                          {QStringLiteral("auto_run"), ledAutoRun},
                          {QStringLiteral("hibernate"), ledHibernate}};
    return {{QStringLiteral("connected"), connected},
            {QStringLiteral("source"), source},
            {QStringLiteral("path"), path},
            {QStringLiteral("protocol"), protocol},
            {QStringLiteral("model"), model},
            {QStringLiteral("firmware"), firmware},
            {QStringLiteral("serial"), serial},
            // The reading's resolution is about 5 mV; a float's tail is noise.
            {QStringLiteral("adapter_volts"), qRound(adapterVolts * 100) / 100.0},
            {QStringLiteral("fans"), fanList},
            {QStringLiteral("mode"), orNull(mode)},
            {QStringLiteral("levels"), levelMap},
            {QStringLiteral("led"), led},
            {QStringLiteral("fan_auto_run"), fanAutoRun},
            {QStringLiteral("fan_hibernate"), fanHibernate},
            {QStringLiteral("alarms"), alarms ? QJsonValue(QJsonArray::fromStringList(*alarms))
                                              : QJsonValue(QJsonValue::Null)}};
}

QString ControllerStatus::toTable() const
{
    const QString via = source == QLatin1String("panel") ? QStringLiteral("through the panel")
                                                         : QStringLiteral("opened directly");
    if (!connected)
        return row(QStringLiteral("connected"), QStringLiteral("no (%1)").arg(via));
    QString table = row(QStringLiteral("connected"), QStringLiteral("yes (%1)").arg(via));
    table += row(QStringLiteral("path"), path);
    table += row(QStringLiteral("controller"), QStringLiteral("%1, %2, %3").arg(model, firmware, protocol));
    table += row(QStringLiteral("serial"), serial);
    table += row(QStringLiteral("adapter"), QStringLiteral("%1 V").arg(adapterVolts, 0, 'f', 2));
    if (mode) {
        table += row(QStringLiteral("mode"), *mode);
        if (levels)
            table += row(QStringLiteral("levels"), QStringLiteral("G1 %1, G2 %2").arg((*levels)[0]).arg((*levels)[1]));
    }
    for (int i = 0; i < int(fans.size()); ++i) {
        QString fan = QStringLiteral("%1 %2 %").arg(groupOf(i)).arg(fans[i].duty, 3);
        if (fans[i].rpm)
            fan += QStringLiteral(" %1 rpm").arg(*fans[i].rpm, 5);
        table += row(QStringLiteral("fan %1").arg(i), fan);
    }
    table += row(QStringLiteral("led"), ledText(*this));
    table += row(QStringLiteral("auto-run"), QStringLiteral("fan %1, led %2").arg(onOff(fanAutoRun), onOff(ledAutoRun)));
    table += row(QStringLiteral("hibernate"),
                 QStringLiteral("fan %1, led %2").arg(onOff(fanHibernate), onOff(ledHibernate)));
    if (alarms)
        table += row(QStringLiteral("alarms"), alarms->isEmpty() ? QStringLiteral("none") : alarms->join(QLatin1String(", ")));
    return table;
}

QString ControllerStatus::toLine() const
{
    if (!connected)
        return QStringLiteral("not connected");
    QStringList parts{QStringLiteral("%1 V").arg(adapterVolts, 0, 'f', 2)};
    if (mode)
        parts << *mode;
    if (levels)
        parts << QStringLiteral("G1 %1 G2 %2").arg((*levels)[0]).arg((*levels)[1]);
    QStringList duties;
    QStringList speeds;
    for (const Fan &fan : fans) {
        duties << QStringLiteral("%1%").arg(fan.duty);
        if (fan.rpm)
            speeds << QString::number(*fan.rpm);
    }
    parts << QStringLiteral("duty ") + duties.join(QLatin1Char(' '));
    if (!speeds.isEmpty())
        parts << QStringLiteral("rpm ") + speeds.join(QLatin1Char(' '));
    parts << QStringLiteral("led ") + ledText(*this);
    if (alarms && !alarms->isEmpty())
        parts << QStringLiteral("ALARM ") + alarms->join(QLatin1Char(' '));
    return parts.join(QLatin1String("  "));
}

bool ControllerStatus::operator==(const ControllerStatus &other) const
{
    return toJson() == other.toJson();
}
