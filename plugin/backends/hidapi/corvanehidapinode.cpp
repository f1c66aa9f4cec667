// SPDX-License-Identifier: GPL-3.0-or-later
// hidapi names each interface by a path of the system's own, and that path is
// what every process that opens the controller agrees on: hidraw's device
// node, which the claim locks, or the Windows device interface path, which
// names the claim's semaphore.
#include "corvanecontrollerlock.h"

QString CorvaneControllerLock::nodeOf(const QString &devPath)
{
    return devPath;
}
