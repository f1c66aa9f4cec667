// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <bitset>

/**
 * What the kernel knows of one hidraw node the bench serves: the simulated
 * interface behind it and what the hidraw ioctls report about it. Shared
 * between the thread that plugs and unplugs (which clears present) and the
 * testbed's worker thread that answers the ioctls of the programs that
 * opened it; everything but present is fixed once the node exists.
 */
struct HidrawNode
{
    QString devnode;                 // "/dev/hidraw0"
    QString simPath;                 // the simulator's "sim:<n>:<k>"
    QByteArray reportDescriptor;
    std::bitset<256> featureReports; // the report ids the descriptor declares
    int featureReportSize = 0;       // bytes of each, report id included
    quint16 vendorId = 0;
    quint16 productId = 0;
    QByteArray name;                 // HIDIOCGRAWNAME, as HID_NAME
    QByteArray phys;                 // HIDIOCGRAWPHYS, as HID_PHYS
    QByteArray uniq;                 // HIDIOCGRAWUNIQ, as HID_UNIQ
    std::atomic<bool> present{true}; // false once the controller is unplugged: ENODEV
};
