// SPDX-License-Identifier: GPL-3.0-or-later
// The device of a path whose text names no vendor or product id (hidraw
// device nodes, the simulator's paths): the HID layer's own records decide,
// so a path belongs to a device when that device's enumeration lists it.
#include "corvanehidenumeration.h"
#include "corvanehotplugmonitor.h"

bool CorvaneHotplugMonitor::isPathOfDevice(const QString &devPath, quint16 vendorId, quint16 productId)
{
    return CorvaneHidEnumeration::pathsWithId(vendorId, productId).contains(devPath, Qt::CaseInsensitive);
}
