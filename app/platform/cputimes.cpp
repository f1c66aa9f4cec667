// SPDX-License-Identifier: GPL-3.0-or-later
#include "cputimes.h"

#include <QFile>

#include <array>
#include <limits>

namespace {

// Field order of the aggregate line; later fields (steal, guest, ...) are not used.
enum Field { User, Nice, System, Idle, IoWait, Irq, SoftIrq, FieldCount };

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

std::optional<quint64> sum(std::initializer_list<quint64> terms)
{
    quint64 total = 0;
    for (const quint64 term : terms) {
        if (__builtin_add_overflow(total, term, &total))
            return std::nullopt;
    }
    return total;
}

std::optional<CpuTimes> fromCpuLine(const QList<QByteArray> &words)
{
    if (words.size() <= FieldCount)
        return std::nullopt;
    std::array<quint64, FieldCount> f{};
    for (int i = 0; i < FieldCount; ++i) {
        const auto ticks = parseTicks(words.at(i + 1));
        if (!ticks)
            return std::nullopt;
        f[i] = *ticks;
    }
    const auto idle = sum({f[Idle], f[IoWait]});
    const auto busyKernel = sum({f[System], f[Irq], f[SoftIrq]});
    const auto user = sum({f[User], f[Nice]});
    if (!idle || !busyKernel || !user)
        return std::nullopt;
    const auto kernel = sum({*busyKernel, *idle});
    if (!kernel)
        return std::nullopt;
    return CpuTimes{*idle, *kernel, *user};
}

} // namespace

std::optional<CpuTimes> CpuTimes::fromProcStat(const QByteArray &procStat)
{
    for (const QByteArray &line : procStat.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.constFirst() == "cpu")
            return fromCpuLine(words);
    }
    return std::nullopt;
}

std::optional<CpuTimes> CpuTimes::current()
{
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return fromProcStat(file.readAll());
}
