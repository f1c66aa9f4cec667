// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanesim.h"

namespace CorvaneSim {

QString LogEntry::toLine() const
{
    if (op == QLatin1String("plug") || op == QLatin1String("unplug"))
        return QStringLiteral("%1 %2 %3").arg(ms).arg(op, path);
    return QStringLiteral("%1 %2 %3 %4").arg(ms).arg(path, op, QString::fromLatin1(buffer.toHex()));
}

} // namespace CorvaneSim
