// SPDX-License-Identifier: GPL-3.0-or-later
#include "coolingcontrol.h"

#include "coolingsettings.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

CoolingControl::CoolingControl(CpuLoadInput &cpuLoad, HwmonReader *hwmon, SettingsOpener settings, QObject *parent)
    : QObject(parent),
      m_settings(std::move(settings)),
      m_sources(cpuLoad, hwmon),
      m_auto(m_sources, m_alarms)
{
    const std::unique_ptr<QSettings> stored = m_settings();
    for (int group = 0; group < AutoCooling::Groups; ++group)
        m_auto.setChoice(group, CoolingSettings::load(*stored, group));
}

std::optional<int> CoolingControl::groupNamed(const QString &name)
{
    if (name == QLatin1String("G1"))
        return 0;
    if (name == QLatin1String("G2"))
        return 1;
    return std::nullopt;
}

QVector<CoolingControl::SourceValue> CoolingControl::sourceValues()
{
    QVector<SourceValue> values;
    const QVector<SourceList::Source> sources = m_sources.sources();
    for (const SourceList::Source &source : sources)
        values.append(valueOf(source));
    return values;
}

CoolingControl::SourceValue CoolingControl::valueOf(const SourceList::Source &source)
{
    return {source, currentValue(source.id)};
}

std::optional<double> CoolingControl::currentValue(const QString &id)
{
    if (SourceList::unitOf(id) == SourceList::Unit::Percent) {
        const std::optional<int> percent = m_sources.lastCpuPercent();
        return percent ? std::optional<double>(*percent) : std::nullopt;
    }
    const SourceList::Reading reading = m_sources.readTemperature(id);
    if (reading.status != SourceList::Reading::Status::Value)
        return std::nullopt;
    return reading.value;
}

std::optional<int> CoolingControl::cpuPercentOfLastTick() const
{
    const SourceList::Reading reading = m_auto.lastTickReading(QLatin1String(SourceList::CpuLoadId));
    if (reading.status != SourceList::Reading::Status::Value)
        return std::nullopt;
    return int(reading.value);
}

int CoolingControl::levelFor(int group, double value, const AutoCooling::TopLevels &tops) const
{
    return m_auto.levelFor(group, value, tops);
}

QString CoolingControl::setCurve(int group, const QString &source, const QString &curveText)
{
    if (!offersSource(source)) {
        if (!offersTemperatures())
            return QCoreApplication::translate("CoolingControl",
                                               "Only the CPU load can be followed here: this system offers no "
                                               "temperature sensors to programs");
        return QCoreApplication::translate("CoolingControl", "No source \"%1\" on this machine").arg(source);
    }
    const std::optional<CoolingChoice> choice = CoolingChoice::make(source, curveText);
    if (!choice)
        return QCoreApplication::translate("CoolingControl",
                                           "A curve is \"default\" or 2 to 8 points value:level, such as "
                                           "40:2,60:5,75:9, with rising values and levels that never fall");
    apply(group, *choice);
    return QString();
}

void CoolingControl::resetToDefault(int group)
{
    apply(group, CoolingChoice());
}

void CoolingControl::apply(int group, const CoolingChoice &choice)
{
    if (choice == m_auto.choice(group))
        return;
    m_auto.setChoice(group, choice);
    const std::unique_ptr<QSettings> stored = m_settings();
    CoolingSettings::save(*stored, group, choice);
    emit choiceChanged(group);
}

bool CoolingControl::offersSource(const QString &id)
{
    if (id == QLatin1String(SourceList::CpuLoadId))
        return true;
    const QVector<SourceList::Source> sources = m_sources.sources();
    return std::any_of(sources.cbegin(), sources.cend(), [&id](const SourceList::Source &s) { return s.id == id; });
}

void CoolingControl::fanPolled(int fan, int dutyPercent, int rpm)
{
    switch (m_stalls.observe(fan, dutyPercent, rpm)) {
    case StallDetector::Change::Stalled:
        m_alarms.raise(CoolingAlarm::fanStalled(fan));
        break;
    case StallDetector::Change::Turning:
        m_alarms.clear(CoolingAlarm::fanStalled(fan).id());
        break;
    case StallDetector::Change::None:
        break;
    }
}

void CoolingControl::controllerGone()
{
    m_stalls.reset();
    m_alarms.clearWhere([](const CoolingAlarm &alarm) { return alarm.kind == CoolingAlarm::Kind::FanStalled; });
    m_auto.stop();
}
