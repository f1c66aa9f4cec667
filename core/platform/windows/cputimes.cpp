// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cputimes.h"

#include <qt_windows.h>

namespace {

quint64 hundredsOfNanoseconds(const FILETIME &time)
{
    return (quint64(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

std::optional<CpuTimes> CpuTimes::current()
{
    FILETIME idle{}, kernel{}, user{};
    if (!GetSystemTimes(&idle, &kernel, &user))
        return std::nullopt;
    CpuTimes times;
    times.ticks[Idle] = hundredsOfNanoseconds(idle);
    times.ticks[User] = hundredsOfNanoseconds(user);
    // The kernel time includes the idle time, which kernel() adds back.
    const quint64 kernelWithIdle = hundredsOfNanoseconds(kernel);
    times.ticks[System] = kernelWithIdle > times.ticks[Idle] ? kernelWithIdle - times.ticks[Idle] : 0;
    return times;
}
