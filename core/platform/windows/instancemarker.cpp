// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/instancemarker.h"

// A named file mapping lives in the creating login session's namespace and
// goes away with the last process that has it open, crashed ones included:
// the bare key is already one per user login, and no segment is ever stale.
QString InstanceMarker::key()
{
    return QStringLiteral("{C8A9A39C-0D47-4915-9127-1B9D25E60AE9}");
}

QSharedPointer<QSharedMemory> InstanceMarker::make()
{
    return QSharedPointer<QSharedMemory>::create(key());
}

bool InstanceMarker::claim(QSharedMemory &marker)
{
    return createOrRequestShow(marker);
}
