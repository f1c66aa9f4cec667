// SPDX-License-Identifier: GPL-3.0-or-later
// hidapi's hidraw backend names each interface by its device node, which is
// the file every process that opens the controller can lock.
#include "corvanecontrollerlock.h"

QString CorvaneControllerLock::nodeOf(const QString &devPath)
{
    return devPath;
}
