// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QVector>

#include <optional>

/**
 * A fan curve: 2 to 8 points from a source value (°C or percent) to a fan
 * level, joined by straight lines and flat beyond both ends. The line's value
 * is rounded to a level with halves upward and kept within 0 and the group's
 * top level.
 *
 * Levels never fall as the value rises, so a level "begins" at one value and
 * hysteresis can be told in the source's own unit: a rising value takes its
 * level at once, a falling one lowers the level only once it has gone
 * hysteresis() below the value where the current level began.
 */
class FanCurve final
{
public:
    struct Point
    {
        double value = 0.0;
        double level = 0.0;

        bool operator==(const Point &other) const { return value == other.value && level == other.level; }
    };

    static constexpr int MinPoints = 2;
    static constexpr int MaxPoints = 8;

    /**
     * Nothing unless there are MinPoints to MaxPoints points with strictly
     * rising values, levels of 0 or more that never fall, and a hysteresis
     * of 0 or more.
     */
    static std::optional<FanCurve> make(QVector<Point> points, double hysteresis);
    /// "40:2,60:5,75:9" (value:level, levels whole numbers); nothing for anything else.
    static std::optional<FanCurve> fromText(const QString &text, double hysteresis);
    /// The points as fromText() reads them.
    QString toText() const;

    const QVector<Point> &points() const { return m_points; }
    double hysteresis() const { return m_hysteresis; }

    /// The level for @p value alone, within 0 … @p topLevel.
    int levelAt(double value, int topLevel) const;
    /**
     * The level for @p value when the group now runs at @p currentLevel, as
     * this curve set it (nothing after a start or a fallback): rising values
     * act at once, falling ones only past the hysteresis.
     */
    int levelFrom(double value, std::optional<int> currentLevel, int topLevel) const;

    bool operator==(const FanCurve &other) const;

private:
    FanCurve(QVector<Point> points, double hysteresis);
    double lineAt(double value) const;

    QVector<Point> m_points;
    double m_hysteresis;
};
