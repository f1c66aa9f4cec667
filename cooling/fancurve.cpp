// SPDX-License-Identifier: GPL-3.0-or-later
#include "fancurve.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Points such as 100/7 % have no exact binary form; a line value this close
// below a half still rounds up, as the exact value would.
constexpr double RoundingSlack = 1e-9;

bool pointsAreValid(const QVector<FanCurve::Point> &points)
{
    if (points.size() < FanCurve::MinPoints || points.size() > FanCurve::MaxPoints)
        return false;
    for (int i = 0; i < points.size(); ++i) {
        const FanCurve::Point &point = points.at(i);
        if (!std::isfinite(point.value) || !std::isfinite(point.level) || point.level < 0.0)
            return false;
        if (i > 0 && (point.value <= points.at(i - 1).value || point.level < points.at(i - 1).level))
            return false;
    }
    return true;
}

std::optional<FanCurve::Point> pointFromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    bool valueOk = false;
    bool levelOk = false;
    const double value = parts.at(0).trimmed().toDouble(&valueOk);
    const int level = parts.at(1).trimmed().toInt(&levelOk);
    if (!valueOk || !levelOk)
        return std::nullopt;
    return FanCurve::Point{value, double(level)};
}

} // namespace

FanCurve::FanCurve(QVector<Point> points, double hysteresis)
    : m_points(std::move(points)),
      m_hysteresis(hysteresis)
{
}

std::optional<FanCurve> FanCurve::make(QVector<Point> points, double hysteresis)
{
    if (!pointsAreValid(points) || !std::isfinite(hysteresis) || hysteresis < 0.0)
        return std::nullopt;
    return FanCurve(std::move(points), hysteresis);
}

std::optional<FanCurve> FanCurve::fromText(const QString &text, double hysteresis)
{
    QVector<Point> points;
    const QStringList items = text.split(QLatin1Char(','));
    if (items.size() > MaxPoints)
        return std::nullopt;
    for (const QString &item : items) {
        const std::optional<Point> point = pointFromText(item);
        if (!point)
            return std::nullopt;
        points.append(*point);
    }
    return make(std::move(points), hysteresis);
}

QString FanCurve::toText() const
{
    QStringList items;
    for (const Point &point : m_points)
        items.append(QString::number(point.value, 'g', QLocale::FloatingPointShortest) + QLatin1Char(':')
                     + QString::number(point.level, 'g', QLocale::FloatingPointShortest));
    return items.join(QLatin1Char(','));
}

double FanCurve::lineAt(double value) const
{
    if (value <= m_points.constFirst().value)
        return m_points.constFirst().level;
    if (value >= m_points.constLast().value)
        return m_points.constLast().level;
    const auto after = std::find_if(m_points.cbegin(), m_points.cend(),
                                    [value](const Point &point) { return point.value > value; });
    const Point &low = *(after - 1);
    const Point &high = *after;
    return low.level + (value - low.value) * (high.level - low.level) / (high.value - low.value);
}

int FanCurve::levelAt(double value, int topLevel) const
{
    const double level = std::floor(lineAt(value) + 0.5 + RoundingSlack);
    return int(std::clamp(level, 0.0, double(std::max(topLevel, 0))));
}

// With levels that never fall, the current level still holds as long as the
// value lies less than the hysteresis below where that level began, which is
// where value + hysteresis still reaches it.
int FanCurve::levelFrom(double value, std::optional<int> currentLevel, int topLevel) const
{
    const int level = levelAt(value, topLevel);
    if (!currentLevel || level >= *currentLevel || m_hysteresis == 0.0)
        return level;
    return std::min(*currentLevel, levelAt(value + m_hysteresis, topLevel));
}

bool FanCurve::operator==(const FanCurve &other) const
{
    return m_points == other.m_points && m_hysteresis == other.m_hysteresis;
}
