// SPDX-License-Identifier: GPL-3.0-or-later
#include "cpuloadsampler.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The running average takes this many samples before it starts over.
constexpr int LastWeightedCount = 6;

} // namespace

QString CpuLoadSampler::Reading::labelText() const
{
    return QCoreApplication::translate("MainWindow", "CPU load: %1 Level: %2")
        .arg(percent, 3)
        .arg(level);
}

CpuLoadSampler::CpuLoadSampler(TimesSource source)
    : m_source(std::move(source))
{
}

std::optional<CpuLoadSampler::Reading> CpuLoadSampler::step(int maxLevel)
{
    const std::optional<CpuTimes> now = m_source();
    if (!now)
        return std::nullopt;
    if (m_count == 0) {
        m_previous = *now;
        m_count = 1;
        return std::nullopt;
    }
    const std::optional<double> load = loadSince(*now);
    m_previous = *now;
    if (!load)
        return std::nullopt;
    addToAverage(*load);
    ++m_count;
    const int percent = int(std::floor(m_average * 100.0 + 0.5));
    return Reading{percent, levelForPercent(percent, maxLevel)};
}

std::optional<int> CpuLoadSampler::samplePercent()
{
    const std::optional<Reading> reading = step(0);
    return reading ? std::optional<int>(reading->percent) : std::nullopt;
}

int CpuLoadSampler::levelForPercent(int percent, int maxLevel)
{
    if (maxLevel < 1)
        return maxLevel;
    const qint64 level = (qint64(percent) * maxLevel + 50) / 100;
    return int(std::clamp<qint64>(level, 1, maxLevel));
}

// Only counters that all stood still (or all ran backwards) measure nothing.
std::optional<double> CpuLoadSampler::loadSince(const CpuTimes &now) const
{
    const CpuTimes passed = now.since(m_previous);
    const double total = double(passed.kernel()) + double(passed.user());
    if (total == 0.0)
        return std::nullopt;
    return (total - double(passed.idle())) / total;
}

void CpuLoadSampler::addToAverage(double load)
{
    if (m_count == 1)
        m_average = load;
    else if (m_count <= LastWeightedCount)
        m_average = (m_count * m_average + load) / (m_count + 1);
    else
        m_count = 1;
}
