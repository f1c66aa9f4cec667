// SPDX-License-Identifier: GPL-3.0-or-later
#include "coolingchoice.h"

#include "sourcelist.h"

#include <algorithm>
#include <utility>

namespace {

constexpr double DefaultQuietCelsius = 40.0;
constexpr double DefaultFullCelsius = 80.0;

FanCurve curveOf(QVector<FanCurve::Point> points, double hysteresis)
{
    // The points above are valid by construction.
    return *FanCurve::make(std::move(points), hysteresis);
}

// Level 1 up to 100/top %, then the line percent × top / 100 that passes
// through it: AUTO's rounding of that line and its floor of 1 in one curve.
FanCurve cpuLoadDefault(int topLevel)
{
    if (topLevel < 2) {
        const double only = std::max(topLevel, 0);
        return curveOf({{0.0, only}, {100.0, only}}, 0.0);
    }
    return curveOf({{0.0, 1.0}, {100.0 / topLevel, 1.0}, {100.0, double(topLevel)}}, 0.0);
}

FanCurve temperatureDefault(int topLevel)
{
    const double top = std::max(topLevel, 0);
    return curveOf({{DefaultQuietCelsius, std::min(1.0, top)}, {DefaultFullCelsius, top}},
                   CoolingChoice::UserCurveHysteresis);
}

} // namespace

CoolingChoice::CoolingChoice()
    : m_source(QLatin1String(SourceList::CpuLoadId))
{
}

CoolingChoice::CoolingChoice(QString source, std::optional<FanCurve> points)
    : m_source(std::move(source)),
      m_points(std::move(points))
{
}

std::optional<CoolingChoice> CoolingChoice::make(const QString &source, const QString &curveText)
{
    if (source.trimmed().isEmpty())
        return std::nullopt;
    if (curveText == QLatin1String(DefaultCurveText))
        return CoolingChoice(source, std::nullopt);
    std::optional<FanCurve> points = FanCurve::fromText(curveText, UserCurveHysteresis);
    if (!points)
        return std::nullopt;
    return CoolingChoice(source, std::move(points));
}

QString CoolingChoice::curveText() const
{
    return m_points ? m_points->toText() : QLatin1String(DefaultCurveText);
}

FanCurve CoolingChoice::curve(int topLevel) const
{
    return m_points ? *m_points : defaultCurve(m_source, topLevel);
}

FanCurve CoolingChoice::defaultCurve(const QString &source, int topLevel)
{
    if (SourceList::unitOf(source) == SourceList::Unit::Percent)
        return cpuLoadDefault(topLevel);
    return temperatureDefault(topLevel);
}

bool CoolingChoice::operator==(const CoolingChoice &other) const
{
    return m_source == other.m_source && m_points == other.m_points;
}
