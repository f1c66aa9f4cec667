// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

/**
 * Where the CPU load comes from: the program's sampler, which averages the
 * load over its ticks. Each call is one tick of that sampler.
 */
class CpuLoadInput
{
public:
    virtual ~CpuLoadInput() = default;

    /// The averaged load in percent, or nothing when this tick gave none (the priming one).
    virtual std::optional<int> samplePercent() = 0;

    /// An input that never has a reading, where no sampler runs (corvane-ctl without the panel).
    static CpuLoadInput &none();
};
