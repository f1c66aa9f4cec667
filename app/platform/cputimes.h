// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

/**
 * Cumulative CPU times of the whole machine, in clock ticks since boot.
 *
 * `kernel` includes `idle`, so `user + kernel` is all time and
 * `user + kernel - idle` the busy time. Taken from the aggregate "cpu" line of
 * /proc/stat: user = user + nice, kernel = system + irq + softirq + idle +
 * iowait, idle = idle + iowait.
 */
struct CpuTimes final
{
    quint64 idle = 0;
    quint64 kernel = 0;
    quint64 user = 0;

    /**
     * Reads the first line of @p procStat whose first word is "cpu".
     * Returns nothing when there is no such line or when one of its first
     * seven fields is missing, not a plain decimal number or out of range.
     */
    static std::optional<CpuTimes> fromProcStat(const QByteArray &procStat);

    /// The times of this machine now; nothing when /proc/stat cannot be read or parsed.
    static std::optional<CpuTimes> current();
};
