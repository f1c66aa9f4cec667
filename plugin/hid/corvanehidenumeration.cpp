// SPDX-License-Identifier: GPL-3.0-or-later
#include "corvanehidenumeration.h"

#include <hidapi/hidapi.h>

QStringList CorvaneHidEnumeration::pathsWithId(quint16 vendorId, quint16 productId)
{
    QStringList paths;
    hid_device_info *records = hid_enumerate(vendorId, productId);
    for (const hid_device_info *r = records; r; r = r->next) {
        if (r->vendor_id == vendorId && r->product_id == productId)
            paths.append(QString::fromLatin1(r->path));
    }
    hid_free_enumeration(records);
    return paths;
}
