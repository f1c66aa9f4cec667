// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fancurve.h"

#include <QString>

#include <optional>

/**
 * What one fan group follows in AUTO: a source and either the source's
 * default curve or the user's own points.
 *
 * The default curve of the CPU load gives exactly the levels AUTO has always
 * given: percent × top / 100, rounded with halves upward, at least 1. The
 * default curve of a temperature runs from level 1 at 40 °C to the top level
 * at 80 °C.
 *
 * The user's curves keep the level for a hysteresis of 3 (°C or percentage
 * points) on falling values: temperature sensors jitter by 1 to 2 °C under a
 * steady load and the averaged CPU load by about as many points, so 3 stays
 * clear of that noise while cooling lags a falling value by no more than a few
 * degrees. The default CPU curve has none, since AUTO never had any.
 */
class CoolingChoice final
{
public:
    static constexpr double UserCurveHysteresis = 3.0;
    /// The curve text that stands for the source's default curve.
    static constexpr const char *DefaultCurveText = "default";

    /// The CPU load with its default curve.
    CoolingChoice();

    /**
     * @p source (a source id) with @p curveText: "default" or points as
     * FanCurve::fromText() reads them. Nothing for an empty source or bad points.
     */
    static std::optional<CoolingChoice> make(const QString &source, const QString &curveText);

    const QString &source() const { return m_source; }
    bool hasDefaultCurve() const { return !m_points.has_value(); }
    /// "default" or the user's points.
    QString curveText() const;
    /// The curve for a group whose top level is @p topLevel.
    FanCurve curve(int topLevel) const;

    static FanCurve defaultCurve(const QString &source, int topLevel);

    bool operator==(const CoolingChoice &other) const;
    bool operator!=(const CoolingChoice &other) const { return !(*this == other); }

private:
    CoolingChoice(QString source, std::optional<FanCurve> points);

    QString m_source;
    std::optional<FanCurve> m_points;
};
