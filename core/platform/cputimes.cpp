// SPDX-License-Identifier: GPL-3.0-or-later
#include "cputimes.h"

#include <QList>

#include <limits>

namespace {

std::optional<quint64> parseTicks(const QByteArray &word)
{
    if (word.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const char c : word) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const quint64 digit = quint64(c - '0');
        if (value > (std::numeric_limits<quint64>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

bool sumFits(std::initializer_list<quint64> terms)
{
    quint64 total = 0;
    for (const quint64 term : terms) {
        if (__builtin_add_overflow(total, term, &total))
            return false;
    }
    return true;
}

std::optional<CpuTimes> fromCpuLine(const QList<QByteArray> &words)
{
    if (words.size() <= CpuTimes::FieldCount)
        return std::nullopt;
    CpuTimes times;
    for (int i = 0; i < CpuTimes::FieldCount; ++i) {
        const auto ticks = parseTicks(words.at(i + 1));
        if (!ticks)
            return std::nullopt;
        times.ticks[i] = *ticks;
    }
    const auto &t = times.ticks;
    // kernel() holds idle(), so these two sums bound every sum taken later.
    if (!sumFits({t[CpuTimes::System], t[CpuTimes::Irq], t[CpuTimes::SoftIrq], t[CpuTimes::Idle],
                  t[CpuTimes::IoWait]})
        || !sumFits({t[CpuTimes::User], t[CpuTimes::Nice]})) {
        return std::nullopt;
    }
    return times;
}

} // namespace

quint64 CpuTimes::idle() const
{
    return ticks[Idle] + ticks[IoWait];
}

quint64 CpuTimes::kernel() const
{
    return ticks[System] + ticks[Irq] + ticks[SoftIrq] + idle();
}

quint64 CpuTimes::user() const
{
    return ticks[User] + ticks[Nice];
}

CpuTimes CpuTimes::since(const CpuTimes &earlier) const
{
    CpuTimes passed;
    for (int i = 0; i < FieldCount; ++i)
        passed.ticks[i] = ticks[i] > earlier.ticks[i] ? ticks[i] - earlier.ticks[i] : 0;
    return passed;
}

std::optional<CpuTimes> CpuTimes::fromProcStat(const QByteArray &procStat)
{
    for (const QByteArray &line : procStat.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.constFirst() == "cpu")
            return fromCpuLine(words);
    }
    return std::nullopt;
}
