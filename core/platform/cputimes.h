// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <optional>

/**
 * Cumulative CPU times of the whole machine since boot, held as the fields of
 * the aggregate "cpu" line of /proc/stat.
 *
 * They are read as the three times the load is made of: kernel() includes
 * idle(), so `user() + kernel()` is all time and `user() + kernel() - idle()`
 * the busy time; user = user + nice, kernel = system + irq + softirq + idle +
 * iowait, idle = idle + iowait.
 *
 * current() is the platform's: on Linux /proc/stat in clock ticks, on
 * Windows GetSystemTimes in units of 100 ns (its user, its kernel time less
 * idle as system, and its idle time; the other fields stay 0). The parsing
 * and the arithmetic are the same everywhere.
 */
struct CpuTimes final
{
    /// The fields of the aggregate line in their order; later ones (steal, guest, ...) are not used.
    enum Field { User, Nice, System, Idle, IoWait, Irq, SoftIrq, FieldCount };

    std::array<quint64, FieldCount> ticks{};

    quint64 idle() const;
    quint64 kernel() const;
    quint64 user() const;

    /**
     * The ticks that passed from @p earlier to these times, field by field.
     * A field that went backwards counts as no time passed: the kernel
     * documents that iowait may decrease, and its dips must neither fake
     * idle time nor hide the other fields' progress.
     */
    CpuTimes since(const CpuTimes &earlier) const;

    /**
     * Reads the first line of @p procStat whose first word is "cpu".
     * Returns nothing when there is no such line, when one of its first
     * seven fields is missing, not a plain decimal number or out of range,
     * or when the three times do not fit in 64 bits.
     */
    static std::optional<CpuTimes> fromProcStat(const QByteArray &procStat);

    /// The times of this machine now; nothing when the platform cannot tell them.
    static std::optional<CpuTimes> current();
};
