// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

/// What the HID layer lists of the devices present.
namespace CorvaneHidEnumeration {

/**
 * The paths of the HID interfaces of the device @p vendorId:@p productId, in
 * the HID layer's order. The HID layer takes a zero id as "any", which would
 * make every device match; only records with exactly this id count.
 */
QStringList pathsWithId(quint16 vendorId, quint16 productId);

} // namespace CorvaneHidEnumeration
