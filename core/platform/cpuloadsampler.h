// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cpuloadinput.h"
#include "cputimes.h"

#include <QString>

#include <functional>
#include <optional>

/**
 * Turns the machine's CPU load into a fan level, one call of step() per
 * AUTO timer tick.
 *
 * The first successful step only primes the sampler. Later steps measure the
 * load since the previous step and fold it into a running average with the
 * weights 1 to 6; every seventh sample after that is left out and the
 * weighting starts again at 2. The sampler is never reset.
 *
 * As the cooling's CPU load source it is stepped once per AUTO tick, and the
 * curve of the group that follows it turns the percent into a level.
 */
class CpuLoadSampler final : public CpuLoadInput
{
public:
    using TimesSource = std::function<std::optional<CpuTimes>()>;

    /// What one step measured: the average load in percent and the level for it.
    struct Reading
    {
        int percent = 0;
        int level = 0;

        /// "CPU load: %1 Level: %2", translated, with the percent right-aligned in three places.
        QString labelText() const;
    };

    explicit CpuLoadSampler(TimesSource source = &CpuTimes::current);

    /**
     * One tick. Returns the reading to apply to both fan groups, or nothing
     * when this tick only primed the sampler, when no usable times could be
     * read or when not one counter advanced since the last tick (then nothing
     * but, at most, the stored times changes). A counter that went backwards
     * counts as standing still, so the others still give a reading.
     * @p maxLevel is the top level of the active duty table.
     */
    std::optional<Reading> step(int maxLevel);
    /// One tick as step() takes it, the percent alone.
    std::optional<int> samplePercent() override;

    /**
     * The level for @p percent on a table whose top level is @p maxLevel:
     * percent × maxLevel / 100 rounded with halves upward, kept within
     * 1 … maxLevel; a @p maxLevel below 1 is returned as it is.
     */
    static int levelForPercent(int percent, int maxLevel);

private:
    std::optional<double> loadSince(const CpuTimes &now) const;
    void addToAverage(double load);

    TimesSource m_source;
    CpuTimes m_previous;
    double m_average = 0.0;
    int m_count = 0;
};
