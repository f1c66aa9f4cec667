// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "coolingchoice.h"
#include "sourcelist.h"

#include <array>
#include <optional>

class AlarmBoard;

/**
 * What AUTO does at each tick: reads each group's source and asks its curve
 * for the level. A source that cannot be read sends its group to the top
 * level and raises an alarm, which ends once the source reads again.
 *
 * It only decides levels; the caller applies them as any level change
 * (Change Boost and the fan duty processors included).
 */
class AutoCooling final
{
public:
    static constexpr int Groups = 2;
    using Levels = std::array<std::optional<int>, Groups>;
    /// Each group's top level (the maximum of its duty table).
    using TopLevels = std::array<int, Groups>;

    /// @p sources and @p alarms must outlive this.
    AutoCooling(SourceList &sources, AlarmBoard &alarms);

    void setChoice(int group, const CoolingChoice &choice);
    const CoolingChoice &choice(int group) const;

    /// The curve @p group follows at the top levels @p tops.
    FanCurve curveFor(int group, const TopLevels &tops) const;
    /// The level @p group's curve gives for @p value with nothing before it.
    int levelFor(int group, double value, const TopLevels &tops) const;

    /**
     * One tick: the level each group goes to, or nothing for a group whose
     * source gave nothing to act on this time.
     */
    Levels tick(const TopLevels &tops);
    /// What the last tick read from the source @p id, if it read it.
    SourceList::Reading lastTickReading(const QString &id) const { return m_lastReadings.value(id); }
    /// AUTO starts again: the curves forget their levels.
    void restart();
    /// AUTO ends (MAN, or the controller went): its source alarms end with it.
    void stop();

private:
    std::optional<int> groupLevel(int group, const SourceList::Reading &reading, const TopLevels &tops);
    int curveTop(int group, const TopLevels &tops) const;
    void sourceLost(int group);
    void sourceRead(int group);

    SourceList &m_sources;
    AlarmBoard &m_alarms;
    std::array<CoolingChoice, Groups> m_choices;
    std::array<std::optional<int>, Groups> m_curveLevels;
    QHash<QString, SourceList::Reading> m_lastReadings;
};
