// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/cputimes.h"

#include <QFile>

std::optional<CpuTimes> CpuTimes::current()
{
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return fromProcStat(file.readAll());
}
