// SPDX-License-Identifier: GPL-3.0-or-later
#include "sourcelist.h"

#include "cpuloadinput.h"

#include <QCoreApplication>


namespace {

SourceList::Reading unreadable()
{
    return {SourceList::Reading::Status::Unreadable, 0.0};
}

} // namespace

SourceList::SourceList(CpuLoadInput &cpuLoad, HwmonReader *hwmon)
    : m_cpuLoad(cpuLoad),
      m_hwmon(hwmon)
{
}

QVector<SourceList::Source> SourceList::sources() const
{
    QVector<Source> list{{QLatin1String(CpuLoadId), cpuLoadName(), Unit::Percent}};
    if (!m_hwmon)
        return list;
    const QVector<HwmonReader::Input> inputs = m_hwmon->inputs();
    for (const HwmonReader::Input &input : inputs)
        list.append({input.id, input.name, Unit::Celsius});
    return list;
}

SourceList::Unit SourceList::unitOf(const QString &id)
{
    return id == QLatin1String(CpuLoadId) ? Unit::Percent : Unit::Celsius;
}

QString SourceList::cpuLoadName()
{
    return QCoreApplication::translate("SourceList", "CPU load");
}

QString SourceList::nameOf(const QString &id)
{
    if (id == QLatin1String(CpuLoadId))
        return cpuLoadName();
    if (!m_names.contains(id))
        pathOf(id);
    return m_names.value(id, id);
}

QHash<QString, SourceList::Reading> SourceList::sample(const QVector<QString> &ids)
{
    QHash<QString, Reading> readings;
    for (const QString &id : ids) {
        if (readings.contains(id))
            continue;
        readings.insert(id, id == QLatin1String(CpuLoadId) ? readCpuLoad() : readTemperature(id));
    }
    return readings;
}

SourceList::Reading SourceList::readCpuLoad()
{
    const std::optional<int> percent = m_cpuLoad.samplePercent();
    if (!percent)
        return {};
    m_lastCpuPercent = percent;
    return {Reading::Status::Value, double(*percent)};
}

// A sensor that went away may come back under another hwmonN (a driver
// reloaded): a failed read looks for it once more before it counts.
SourceList::Reading SourceList::readTemperature(const QString &id)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::optional<QString> path = pathOf(id);
        if (!path)
            return unreadable();
        if (const std::optional<double> celsius = HwmonReader::readCelsius(*path)) {
            if (*celsius < LowestCelsius || *celsius > HighestCelsius)
                return unreadable();
            return {Reading::Status::Value, *celsius};
        }
        m_paths.remove(id);
    }
    return unreadable();
}

std::optional<QString> SourceList::pathOf(const QString &id)
{
    if (!m_hwmon)
        return std::nullopt;
    if (const auto known = m_paths.constFind(id); known != m_paths.cend())
        return *known;
    const std::optional<HwmonReader::Input> input = m_hwmon->find(id);
    if (!input)
        return std::nullopt;
    m_paths.insert(id, input->path);
    m_names.insert(id, input->name);
    return input->path;
}
